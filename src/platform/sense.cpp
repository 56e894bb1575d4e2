#include "platform/sense.h"

#include <algorithm>
#include <cstring>

namespace bridgefw::platform {
namespace {

constexpr uint8_t kFixedCurrent = 0x70;
constexpr uint8_t kFixedDeferred = 0x71;
constexpr uint8_t kDescriptorCurrent = 0x72;
constexpr uint8_t kDescriptorDeferred = 0x73;

constexpr uint8_t kInformationDescriptor = 0x00;
constexpr uint8_t kCommandSpecificDescriptor = 0x01;
constexpr uint8_t kSenseKeySpecificDescriptor = 0x02;
constexpr uint8_t kFieldReplaceableUnitDescriptor = 0x03;
constexpr uint8_t kStreamCommandsDescriptor = 0x04;

// An 8-byte big-endian value that fits in 32 bits goes to 4 bytes at `out`.
bool CopyLow32(const uint8_t* value8, uint8_t* out) {
  for (size_t i = 0; i < 4; ++i) {
    if (value8[i] != 0) return false;
  }
  std::memcpy(out, value8 + 4, 4);
  return true;
}

void ApplyDescriptor(const uint8_t* d, size_t size, uint8_t (&fixed)[kFixedSenseLength]) {
  // d[0] type, d[1] additional length; size covers the whole descriptor.
  switch (d[0]) {
    case kInformationDescriptor:
      if (size >= 12 && CopyLow32(d + 4, fixed + 3) && (d[2] & 0x80) != 0) fixed[0] |= 0x80;
      break;
    case kCommandSpecificDescriptor:
      if (size >= 12) CopyLow32(d + 4, fixed + 8);
      break;
    case kSenseKeySpecificDescriptor:
      if (size >= 7) std::memcpy(fixed + 15, d + 4, 3);
      break;
    case kFieldReplaceableUnitDescriptor:
      if (size >= 4) fixed[14] = d[3];
      break;
    case kStreamCommandsDescriptor:
      // Filemark, end-of-medium and incorrect-length bits.
      if (size >= 4) fixed[2] = static_cast<uint8_t>(fixed[2] | (d[3] & 0xE0));
      break;
    default:
      break;
  }
}

}  // namespace

bool ToFixedFormatSense(const uint8_t* raw, size_t length, uint8_t (&fixed)[kFixedSenseLength]) {
  std::memset(fixed, 0, kFixedSenseLength);
  if (raw == nullptr || length == 0) return false;
  const uint8_t code = raw[0] & 0x7F;
  if (code == kFixedCurrent || code == kFixedDeferred) {
    std::memcpy(fixed, raw, std::min(length, kFixedSenseLength));
    return true;
  }
  if (code != kDescriptorCurrent && code != kDescriptorDeferred) return false;

  fixed[0] = code == kDescriptorCurrent ? kFixedCurrent : kFixedDeferred;
  fixed[7] = kFixedSenseLength - 8;  // additional sense length
  if (length > 1) fixed[2] = raw[1] & 0x0F;
  if (length > 2) fixed[12] = raw[2];
  if (length > 3) fixed[13] = raw[3];
  // Descriptors follow the 8-byte header; byte 7 gives their total length.
  if (length <= 8) return true;
  const size_t end = std::min(length, size_t{8} + raw[7]);
  size_t at = 8;
  while (at + 2 <= end) {
    const size_t size = size_t{2} + raw[at + 1];
    if (at + size > end) break;
    ApplyDescriptor(raw + at, size, fixed);
    at += size;
  }
  return true;
}

}  // namespace bridgefw::platform
