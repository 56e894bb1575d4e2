// The power-cut campaign: one writing attempt is 408 flash operations (per
// bank 12 sector erases and 192 page programs). For each starting state the
// power is cut at every boundary between them, once cleanly (the next
// operation does not happen) and once tearing that operation. After every
// cut the chip must boot from a bank that holds exactly the old or the new
// image, and one further attempt must leave both banks with the new image.
#include <gtest/gtest.h>

#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "bridge/firmware_image.h"
#include "flash/boot.h"
#include "flash/flash_file.h"
#include "flash/flash_layout.h"
#include "standin_fixture.h"

namespace bridgefw {
namespace {

using testing::Bytes;
using testing::FirmwareImage;
using testing::FlashWith;
using Result = FirmwareAttemptResult;

constexpr uint32_t kOperationsPerBank = 12 + 192;
constexpr uint32_t kOperationsPerAttempt = 2 * kOperationsPerBank;

struct StartingState {
  const char* name;
  Bytes bank0;
  Bytes bank1;
};

const Bytes& OldImage() {
  static const Bytes image = FirmwareImage(1, 'A');
  return image;
}

const Bytes& NewImage() {
  static const Bytes image = FirmwareImage(2, 'B');
  return image;
}

std::vector<StartingState> StartingStates() {
  return {
      {"BothBanksOld", OldImage(), OldImage()},
      {"OnlyBank0Valid", OldImage(), testing::ErasedBank()},
      {"OnlyBank1Valid", testing::WithByte(OldImage(), 0x1234, 0x08), OldImage()},
  };
}

struct CampaignCase {
  StartingState state;
  bool torn;
};

void PrintTo(const CampaignCase& c, std::ostream* os) {
  *os << c.state.name << (c.torn ? "/torn" : "/clean");
}

bool BankHolds(const Bytes& flash, int bank, const Bytes& image) {
  return std::memcmp(flash.data() + flash::kBankAddresses[bank], image.data(), image.size()) == 0;
}

bool BankHoldsOldOrNew(const Bytes& flash, int bank) {
  return BankHolds(flash, bank, OldImage()) || BankHolds(flash, bank, NewImage());
}

// What the flash holds after a cut that is not allowed; empty when fine.
// (Both images are valid, so a bank equal to one of them is valid.)
std::string CheckAfterCut(const Bytes& flash) {
  if (!BankHoldsOldOrNew(flash, 0) && !BankHoldsOldOrNew(flash, 1)) {
    return "no bank holds the old or the new image";
  }
  const int boot = flash::BootBank(flash.data());
  if (boot == flash::kNoBootBank) return "bricked";
  if (!BankHoldsOldOrNew(flash, boot)) return "boots from a foreign image";
  return "";
}

class PowerCutCampaign : public testing::StandInTest,
                         public ::testing::WithParamInterface<CampaignCase> {};

TEST_P(PowerCutCampaign, NoCutLeavesTheDriveWithoutAGoodBank) {
  const CampaignCase& c = GetParam();
  ASSERT_TRUE(IsValidFirmwareImage(OldImage().data()));
  ASSERT_TRUE(IsValidFirmwareImage(NewImage().data()));
  const WString image = ImageFile(NewImage());
  const Bytes start = FlashWith(c.state.bank0, c.state.bank1);
  uint32_t runs = 0;
  uint32_t cuts = 0;
  std::vector<std::string> failures;
  Bytes flash;  // reused: a sanitizer build is slow to fill fresh memory
  // Each boundary describes the drive anew, which starts a new run of the
  // emulated bridge without loading the library again.
  Load();
  for (uint32_t boundary = 0; boundary < kOperationsPerAttempt; ++boundary) {
    std::ostringstream where;
    where << "cut after " << boundary << " operations: ";
    emulation::BridgeFaults faults;
    faults.powerCut = emulation::PowerCut{boundary, c.torn, boundary + 1};
    Describe(faults);
    WriteFlash(start);
    ClearBridgeLog();

    const Result cut = Attempt(image);
    ++runs;
    const Result expected =
        boundary < kOperationsPerBank ? Result::kFirstBankFailed : Result::kSecondBankFailed;
    if (cut != expected) {
      failures.push_back(where.str() + "the attempt ended with " +
                         std::to_string(static_cast<int>(cut)));
    }
    cuts += static_cast<uint32_t>(Logged("power cut after " + std::to_string(boundary)));
    ASSERT_TRUE(flash::ReadFlashFile(FlashPath(), flash));
    const std::string damage = CheckAfterCut(flash);
    if (!damage.empty()) failures.push_back(where.str() + damage);

    // The cut is spent: the same run goes on, as the plugin's next attempt.
    const Result again = Attempt(image);
    ++runs;
    ASSERT_TRUE(flash::ReadFlashFile(FlashPath(), flash));
    if (again != Result::kSucceeded || !BankHolds(flash, 0, NewImage()) ||
        !BankHolds(flash, 1, NewImage())) {
      failures.push_back(where.str() + "the further attempt did not write both banks");
    }
  }
  std::cout << "campaign " << ::testing::PrintToString(c) << ": runs " << runs << ", cuts " << cuts
            << ", failures " << failures.size() << "\n";
  RecordProperty("runs", static_cast<int>(runs));
  RecordProperty("cuts", static_cast<int>(cuts));
  RecordProperty("failures", static_cast<int>(failures.size()));
  EXPECT_EQ(cuts, kOperationsPerAttempt);
  for (size_t i = 0; i < failures.size() && i < 10; ++i) ADD_FAILURE() << failures[i];
  EXPECT_TRUE(failures.empty()) << failures.size() << " cuts went wrong";
}

std::vector<CampaignCase> CampaignCases() {
  std::vector<CampaignCase> cases;
  for (const StartingState& state : StartingStates()) {
    cases.push_back({state, false});
    cases.push_back({state, true});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(EveryBoundary, PowerCutCampaign, ::testing::ValuesIn(CampaignCases()),
                         [](const ::testing::TestParamInfo<CampaignCase>& param) {
                           return std::string(param.param.state.name) +
                                  (param.param.torn ? "Torn" : "Clean");
                         });

// The campaign's boundaries are all there are: a cut after the last
// operation never comes, and the attempt succeeds.
using PowerCutBoundaries = testing::StandInTest;

TEST_F(PowerCutBoundaries, AnAttemptIsExactly408FlashOperations) {
  const WString image = ImageFile(NewImage());
  emulation::BridgeFaults faults;
  faults.powerCut = emulation::PowerCut{kOperationsPerAttempt, true, 1};
  Describe(faults);
  WriteFlash(FlashWith(OldImage(), OldImage()));
  Load();
  EXPECT_EQ(Attempt(image), Result::kSucceeded);
  EXPECT_EQ(Logged("power cut"), 0u);
  EXPECT_TRUE(Bank(0) == NewImage());
  EXPECT_TRUE(Bank(1) == NewImage());
}

}  // namespace
}  // namespace bridgefw
