#include "flash_file.h"

#include <algorithm>
#include <cstring>

#include "bridge/firmware_image.h"
#include "file_io.h"
#include "firmware_file.h"

namespace bridgefw::cli {
namespace {

constexpr uint8_t kErased = 0xFF;
// The bit that "corrupt" flips: in the body, inside the CRC range.
constexpr size_t kCorruptByte = 0x1234;

void PutBank(std::vector<uint8_t>& flash, int bank, BankState state) {
  if (state == BankState::kBlank) return;
  std::vector<uint8_t> image = MakeSampleImage(SampleRelease::kOlder);
  if (state == BankState::kCorrupt) image[kCorruptByte] ^= 0x01;
  std::copy(image.begin(), image.end(), flash.begin() + kBankAddresses[bank]);
}

}  // namespace

const char* BankStateName(BankState state) {
  switch (state) {
    case BankState::kValid:
      return "valid";
    case BankState::kBlank:
      return "blank";
    case BankState::kCorrupt:
      break;
  }
  return "corrupt";
}

bool ParseBankState(const std::string& text, BankState& state) {
  for (BankState candidate : {BankState::kValid, BankState::kBlank, BankState::kCorrupt}) {
    if (text == BankStateName(candidate)) {
      state = candidate;
      return true;
    }
  }
  return false;
}

std::vector<uint8_t> MakeFlash(BankState bank0, BankState bank1) {
  std::vector<uint8_t> flash(kFlashFileSize, kErased);
  PutBank(flash, 0, bank0);
  PutBank(flash, 1, bank1);
  return flash;
}

BankInfo InspectBank(const std::vector<uint8_t>& flash, int bank) {
  const uint8_t* image = flash.data() + kBankAddresses[bank];
  BankInfo info;
  const ImageCheck check = CheckImage(image);
  const bool blank =
      std::all_of(image, image + kFirmwareImageSize, [](uint8_t byte) { return byte == kErased; });
  info.state = blank                   ? BankState::kBlank
               : check.ValidAsStored() ? BankState::kValid
                                       : BankState::kCorrupt;
  info.model = ModelText(image);
  info.storedCrc = check.storedCrc;
  info.computedCrc = check.computedCrc;
  info.releaseTag = ReleaseTagText(image);
  info.sample = IdentifySampleImage(image);
  return info;
}

bool ReadFlashFile(const std::string& path, std::vector<uint8_t>& flash, uint64_t& fileSize,
                   std::string& error) {
  if (!ReadFilePrefix(path, kFlashFileSize, flash, fileSize, error)) return false;
  flash.resize(kFlashFileSize, kErased);
  return true;
}

}  // namespace bridgefw::cli
