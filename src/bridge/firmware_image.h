// The bridge firmware image: 0xC000 bytes whose last 16 bytes are a
// trailer (signature 55 AA AA 55 at 0xBFF0, model "847?" at 0xBFF4, CRC-16
// of bytes 0x0000 to 0xBFFB stored high byte first at 0xBFFE). Pure
// functions, shared by the plugin and the host tools.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bridgefw {

constexpr size_t kFirmwareImageSize = 0xC000;
constexpr size_t kFirmwareSignatureOffset = 0xBFF0;
constexpr size_t kFirmwareModelOffset = 0xBFF4;
constexpr size_t kFirmwareCrcOffset = 0xBFFE;
constexpr size_t kFirmwareCrcRangeEnd = 0xBFFC;  // bytes below this are covered

// CRC-16/XMODEM (polynomial 0x1021, no reflection, no final XOR) over bytes
// 0x0000 to 0xBFFB, each group of four bytes fed from byte 3 down to byte 0.
uint16_t ComputeFirmwareCrc(uint16_t initial, const uint8_t* image);

// Signature, model ("847" first) and stored CRC all right.
bool IsValidFirmwareImage(const uint8_t* image);

// The CRC as stored in the trailer.
uint16_t StoredFirmwareCrc(const uint8_t* image);
// Writes `crc` into the trailer, high byte first.
void StampFirmwareCrc(uint8_t* image, uint16_t crc);

}  // namespace bridgefw
