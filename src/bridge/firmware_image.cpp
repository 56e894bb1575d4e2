#include "bridge/firmware_image.h"

#include <algorithm>
#include <cstring>

namespace bridgefw {
namespace {

constexpr uint8_t kSignature[4] = {0x55, 0xAA, 0xAA, 0x55};

// CRC-16/XMODEM by table: entry n is the register after feeding byte n into
// a register of zero. Bitwise, a 48 KiB image costs 400 000 steps; the
// flash emulation checks both banks at every boot.
struct CrcTable {
  uint16_t entry[256];
  constexpr CrcTable() : entry() {
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t crc = n << 8;
      for (int bit = 0; bit < 8; ++bit) {
        crc = (crc & 0x8000) != 0 ? (crc << 1) ^ 0x1021 : crc << 1;
      }
      entry[n] = static_cast<uint16_t>(crc & 0xFFFF);
    }
  }
};

constexpr CrcTable kCrcTable;

inline uint16_t CrcByte(uint16_t crc, uint8_t byte) {
  return static_cast<uint16_t>((crc << 8) ^ kCrcTable.entry[((crc >> 8) ^ byte) & 0xFF]);
}

}  // namespace

uint16_t ComputeFirmwareCrc(uint16_t initial, const uint8_t* image) {
  uint16_t crc = initial;
  // Through a local copy of 256 bytes at a time: a sanitizer checks one
  // range per chunk instead of every byte.
  uint8_t chunk[256];
  for (size_t start = 0; start < kFirmwareCrcRangeEnd; start += sizeof chunk) {
    const size_t length = std::min(sizeof chunk, kFirmwareCrcRangeEnd - start);
    std::memcpy(chunk, image + start, length);
    for (size_t group = 0; group < length; group += 4) {
      crc = CrcByte(crc, chunk[group + 3]);
      crc = CrcByte(crc, chunk[group + 2]);
      crc = CrcByte(crc, chunk[group + 1]);
      crc = CrcByte(crc, chunk[group]);
    }
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
