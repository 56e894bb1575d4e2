// Firmware images and flash contents for the tests of the writing run and
// the flash emulation.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "bridge/firmware_image.h"
#include "flash/flash_layout.h"

namespace bridgefw::testing {

using Bytes = std::vector<uint8_t>;

// A valid image whose body is drawn from `seed`, model "847" followed by
// `variant`, CRC stamped.
inline Bytes FirmwareImage(uint8_t seed, char variant = 'A') {
  Bytes image(kFirmwareImageSize, 0);
  uint32_t state = 0x12345u + seed * 0x9E37u;
  for (size_t i = 0; i < kFirmwareSignatureOffset; ++i) {
    state = state * 1103515245u + 12345u;
    image[i] = static_cast<uint8_t>(state >> 16);
  }
  const uint8_t trailer[8] = {0x55, 0xAA, 0xAA, 0x55, '8', '4', '7', static_cast<uint8_t>(variant)};
  std::memcpy(&image[kFirmwareSignatureOffset], trailer, sizeof trailer);
  StampFirmwareCrc(image.data(), ComputeFirmwareCrc(0, image.data()));
  return image;
}

inline Bytes ErasedBank() {
  return Bytes(flash::kBankImageSize, flash::kErasedByte);
}

// 128 KiB of flash with the two banks' images; everything else erased.
inline Bytes FlashWith(const Bytes& bank0, const Bytes& bank1) {
  Bytes flash(flash::kFlashSize, flash::kErasedByte);
  std::memcpy(&flash[flash::kBankAddresses[0]], bank0.data(), flash::kBankImageSize);
  std::memcpy(&flash[flash::kBankAddresses[1]], bank1.data(), flash::kBankImageSize);
  return flash;
}

inline Bytes BankOf(const Bytes& flash, int bank) {
  const auto start = flash.begin() + flash::kBankAddresses[bank];
  return Bytes(start, start + flash::kBankImageSize);
}

inline Bytes WithByte(Bytes bytes, size_t offset, uint8_t mask) {
  bytes[offset] = static_cast<uint8_t>(bytes[offset] ^ mask);
  return bytes;
}

}  // namespace bridgefw::testing
