#include "sample_image.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "bridge/firmware_image.h"

namespace bridgefw::cli {
namespace {

constexpr size_t kReleaseTagOffset = 0xBFF8;

struct Release {
  const char* tag;
  const char* banner;
  uint32_t seed;
};

Release ReleaseOf(SampleRelease release) {
  if (release == SampleRelease::kOlder) {
    return {"0100", "bridgefw sample bridge firmware 1.00 - for emulated drives only", 0x1F0A2B3Cu};
  }
  return {"0200", "bridgefw sample bridge firmware 2.00 - for emulated drives only", 0x5E6D7C8Bu};
}

}  // namespace

std::vector<uint8_t> MakeSampleImage(SampleRelease release) {
  const Release info = ReleaseOf(release);
  std::vector<uint8_t> image(kFirmwareImageSize, 0);
  // A body that looks like code: no long runs of 0x00 or 0xFF.
  uint32_t state = info.seed;
  for (size_t i = 0; i < kFirmwareSignatureOffset; ++i) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    image[i] = static_cast<uint8_t>(state >> 24);
  }
  std::memcpy(image.data() + 0x10, info.banner, std::strlen(info.banner));
  const uint8_t signature[4] = {0x55, 0xAA, 0xAA, 0x55};
  std::memcpy(image.data() + kFirmwareSignatureOffset, signature, 4);
  std::memcpy(image.data() + kFirmwareModelOffset, "847x", 4);
  std::memcpy(image.data() + kReleaseTagOffset, info.tag, 4);
  image[kFirmwareCrcRangeEnd] = 0;
  image[kFirmwareCrcRangeEnd + 1] = 0;
  StampFirmwareCrc(image.data(), ComputeFirmwareCrc(0, image.data()));
  return image;
}

const char* SampleReleaseName(SampleRelease release) {
  return release == SampleRelease::kOlder ? "older" : "newer";
}

std::optional<SampleRelease> IdentifySampleImage(const uint8_t* image) {
  for (SampleRelease release : {SampleRelease::kOlder, SampleRelease::kNewer}) {
    const std::vector<uint8_t> sample = MakeSampleImage(release);
    if (std::memcmp(sample.data(), image, kFirmwareImageSize) == 0) return release;
  }
  return std::nullopt;
}

std::string ReleaseTagText(const uint8_t* image) {
  const uint8_t* tag = image + kReleaseTagOffset;
  bool printable = true;
  for (size_t i = 0; i < 4; ++i) printable = printable && tag[i] >= 0x20 && tag[i] < 0x7F;
  if (printable) return std::string(reinterpret_cast<const char*>(tag), 4);
  char text[16];
  std::snprintf(text, sizeof text, "%02X %02X %02X %02X", tag[0], tag[1], tag[2], tag[3]);
  return text;
}

}  // namespace bridgefw::cli
