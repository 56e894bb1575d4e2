#include "bridge/firmware_image.h"

namespace bridgefw {
namespace {

constexpr uint8_t kSignature[4] = {0x55, 0xAA, 0xAA, 0x55};

uint16_t CrcByte(uint16_t crc, uint8_t byte) {
  crc = static_cast<uint16_t>(crc ^ (byte << 8));
  for (int bit = 0; bit < 8; ++bit) {
    crc = (crc & 0x8000) != 0 ? static_cast<uint16_t>((crc << 1) ^ 0x1021)
                              : static_cast<uint16_t>(crc << 1);
  }
  return crc;
}

}  // namespace

uint16_t ComputeFirmwareCrc(uint16_t initial, const uint8_t* image) {
  uint16_t crc = initial;
  for (size_t group = 0; group < kFirmwareCrcRangeEnd; group += 4) {
    for (size_t k = 4; k-- > 0;) crc = CrcByte(crc, image[group + k]);
  }
  return crc;
}

uint16_t StoredFirmwareCrc(const uint8_t* image) {
  return static_cast<uint16_t>((image[kFirmwareCrcOffset] << 8) | image[kFirmwareCrcOffset + 1]);
}

void StampFirmwareCrc(uint8_t* image, uint16_t crc) {
  image[kFirmwareCrcOffset] = static_cast<uint8_t>(crc >> 8);
  image[kFirmwareCrcOffset + 1] = static_cast<uint8_t>(crc & 0xFF);
}

bool IsValidFirmwareImage(const uint8_t* image) {
  for (size_t i = 0; i < 4; ++i) {
    if (image[kFirmwareSignatureOffset + i] != kSignature[i]) return false;
  }
  if (image[kFirmwareModelOffset] != '8' || image[kFirmwareModelOffset + 1] != '4' ||
      image[kFirmwareModelOffset + 2] != '7') {
    return false;
  }
  return ComputeFirmwareCrc(0, image) == StoredFirmwareCrc(image);
}

}  // namespace bridgefw
