// The emulated bridge's serial NOR flash: 128 KiB in 4 KiB sectors and
// 256-byte pages, one firmware bank at 0x00000 and one at 0x10000, each
// holding a 0xC000-byte image.
#pragma once

#include <cstdint>

namespace bridgefw::flash {

constexpr uint32_t kFlashSize = 0x20000;
constexpr uint32_t kSectorSize = 0x1000;
constexpr uint32_t kPageSize = 0x100;
constexpr uint32_t kBankCount = 2;
constexpr uint32_t kBankAddresses[kBankCount] = {0x00000, 0x10000};
constexpr uint32_t kBankImageSize = 0xC000;
constexpr uint8_t kErasedByte = 0xFF;

}  // namespace bridgefw::flash
