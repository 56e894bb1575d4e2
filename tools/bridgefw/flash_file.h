// An emulated drive's serial flash file: 128 KiB, bank 0 at 0x00000 and
// bank 1 at 0x10000, each holding one 0xC000-byte image; erased bytes read
// 0xFF.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sample_image.h"

namespace bridgefw::cli {

constexpr size_t kFlashFileSize = 0x20000;
constexpr uint32_t kBankAddresses[2] = {0x00000, 0x10000};

// valid: passes the chip's check (signature, model, CRC); blank: every
// byte erased; corrupt: anything else.
enum class BankState { kValid, kBlank, kCorrupt };

const char* BankStateName(BankState state);
// "valid", "blank" or "corrupt".
bool ParseBankState(const std::string& text, BankState& state);

// A flash whose banks are set up as asked: valid holds the older sample
// image, blank is erased, corrupt holds the older sample with one bit of
// its body flipped (so its stored CRC no longer matches).
std::vector<uint8_t> MakeFlash(BankState bank0, BankState bank1);

// What one bank holds.
struct BankInfo {
  BankState state = BankState::kBlank;
  std::string model;  // ModelText
  uint16_t storedCrc = 0;
  uint16_t computedCrc = 0;
  std::string releaseTag;               // ReleaseTagText
  std::optional<SampleRelease> sample;  // when it is a built-in sample
};

// `flash` holds kFlashFileSize bytes.
BankInfo InspectBank(const std::vector<uint8_t>& flash, int bank);

// Reads a flash file; a shorter file reads as erased past its end.
// `fileSize` receives the file's size. False with a reason when it cannot
// be read.
bool ReadFlashFile(const std::string& path, std::vector<uint8_t>& flash, uint64_t& fileSize,
                   std::string& error);

}  // namespace bridgefw::cli
