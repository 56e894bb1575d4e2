// The built-in sample firmware images: valid for the plugin (signature
// 55 AA AA 55, model "847x", CRC stamped), made up for emulated drives. Two
// releases: the older one that `simulate init` puts into valid banks, and
// the newer one that `update --simulate` writes. The release is marked in
// the four free trailer bytes at 0xBFF8 ("0100", "0200") and in a banner at
// the start of the body.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace bridgefw::cli {

enum class SampleRelease { kOlder, kNewer };

// kFirmwareImageSize bytes.
std::vector<uint8_t> MakeSampleImage(SampleRelease release);

// "older" or "newer".
const char* SampleReleaseName(SampleRelease release);

// Which sample `image` (kFirmwareImageSize bytes) is, if any.
std::optional<SampleRelease> IdentifySampleImage(const uint8_t* image);

// The four bytes at 0xBFF8 as text ("0200"), or as hexadecimal pairs when
// they are not printable.
std::string ReleaseTagText(const uint8_t* image);

}  // namespace bridgefw::cli
