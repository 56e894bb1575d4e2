#include "flash/boot.h"

#include "bridge/firmware_image.h"
#include "flash/flash_layout.h"

namespace bridgefw::flash {

int BootBank(const uint8_t* flash) {
  for (uint32_t bank = 0; bank < kBankCount; ++bank) {
    if (IsValidFirmwareImage(flash + kBankAddresses[bank])) return static_cast<int>(bank);
  }
  return kNoBootBank;
}

}  // namespace bridgefw::flash
