// Whole roads that write firmware into an emulated bridge: the outcome the
// host receives, what the flash holds afterwards, and what the vendor
// library was asked to do.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "update_fixture.h"

namespace bridgefw {
namespace {

using emulation::BridgeCommand;
using emulation::BridgeFaults;
using testing::Bytes;
using testing::NewFirmware;
using testing::OldFirmware;
using testing::PluginHost;
using testing::UpdateRoadTest;

constexpr const char* kSelect = "select usb\\vid_2b4e&pid_1a2b\\a -> ";
constexpr const char* kFailureLine =
    "> CBridgeDllController::OnFirmwareUpdateTimeout - Failed Upgrade, m_upgradeCounter:4";

bool HasLine(const std::string& log, const std::string& text) {
  return log.find(text) != std::string::npos;
}

size_t Count(const std::string& log, const std::string& text) {
  size_t count = 0;
  for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++count;
  return count;
}

TEST_F(UpdateRoadTest, AnUpdateEndsWith18AndBothBanksHoldTheStampedImage) {
  UseBridge();
  // The file's CRC field is wrong: the plugin stamps the right one.
  Bytes file = NewFirmware();
  file[kFirmwareCrcOffset] ^= 0x5A;
  EXPECT_EQ(Run(Request(file)), 18);
  const Bytes flash = Flash();
  EXPECT_TRUE(testing::BankOf(flash, 0) == NewFirmware());
  EXPECT_TRUE(testing::BankOf(flash, 1) == NewFirmware());
  EXPECT_EQ(Logged(kSelect), 1u);
  EXPECT_EQ(Logged("reset -> ok"), 1u);
  EXPECT_FALSE(HasLine(Log(), "Failed Upgrade")) << Log();
}

struct RetryCase {
  const char* name;
  BridgeFaults faults;
  int32_t result;
  size_t attempts;  // selects asked for
  size_t resets;
};

void PrintTo(const RetryCase& c, std::ostream* os) {
  *os << c.name;
}

BridgeFaults Fails(BridgeCommand command, bool always) {
  BridgeFaults faults;
  faults.commands.push_back({command, {0, 1, always}});
  return faults;
}

BridgeFaults ReadBackDiffers(bool always) {
  BridgeFaults faults;
  faults.readDiffers =
      emulation::ReadFault{flash::kBankAddresses[1] + 0x2345, 0x01, {0, 1, always}};
  return faults;
}

std::vector<RetryCase> RetryCases() {
  return {
      {"SelectFailsOnce", Fails(BridgeCommand::kSelect, false), 18, 2, 1},
      {"ReadFailsOnce", Fails(BridgeCommand::kRead, false), 18, 2, 1},
      {"ProgramFailsOnce", Fails(BridgeCommand::kProgram, false), 18, 2, 1},
      {"ReadBackDiffersOnce", ReadBackDiffers(false), 18, 2, 1},
      {"ResetFailsAlwaysButItsResultIsNotUsed", Fails(BridgeCommand::kReset, true), 18, 1, 0},
      {"SelectFailsAlways", Fails(BridgeCommand::kSelect, true), 17, 4, 0},
      {"ProgramFailsAlways", Fails(BridgeCommand::kProgram, true), 17, 4, 0},
      {"ReadBackDiffersAlways", ReadBackDiffers(true), 17, 4, 0},
  };
}

class Retries : public UpdateRoadTest, public ::testing::WithParamInterface<RetryCase> {};

TEST_P(Retries, AtMostFourAttemptsAndOnlyTheFinalFailureIsLogged) {
  const RetryCase& c = GetParam();
  UseBridge(c.faults);
  EXPECT_EQ(Run(Request()), c.result);
  EXPECT_EQ(Logged(kSelect), c.attempts);
  EXPECT_EQ(Logged("reset -> ok"), c.resets) << "the chip is reset only after both banks";
  const std::string log = Log();
  const Bytes flash = Flash();
  if (c.result == 18) {
    EXPECT_FALSE(HasLine(log, "Failed Upgrade")) << log;
    EXPECT_TRUE(testing::BankOf(flash, 0) == NewFirmware());
    EXPECT_TRUE(testing::BankOf(flash, 1) == NewFirmware());
  } else {
    EXPECT_TRUE(HasLine(log, kFailureLine)) << log;
    EXPECT_EQ(Count(log, "Failed Upgrade"), 1u) << "attempts log nothing";
    EXPECT_TRUE(testing::BankOf(flash, 0) == OldFirmware()) << "bank 0 was valid: kept";
  }
}

INSTANTIATE_TEST_SUITE_P(Roads, Retries, ::testing::ValuesIn(RetryCases()),
                         [](const ::testing::TestParamInfo<RetryCase>& param) {
                           return std::string(param.param.name);
                         });

struct CutCase {
  const char* name;
  emulation::PowerCut cut;
};

void PrintTo(const CutCase& c, std::ostream* os) {
  *os << c.name;
}

class CutRoads : public UpdateRoadTest, public ::testing::WithParamInterface<CutCase> {};

// The cut fails the first attempt; the chip boots from a good bank and the
// next attempt writes both banks.
TEST_P(CutRoads, ThePlugInsNextAttemptFinishesTheJob) {
  const CutCase& c = GetParam();
  BridgeFaults faults;
  faults.powerCut = c.cut;
  UseBridge(faults);
  EXPECT_EQ(Run(Request()), 18);
  EXPECT_EQ(Logged("power cut after " + std::to_string(c.cut.afterOps) + " operations"), 1u);
  EXPECT_EQ(Logged(kSelect), 2u);
  const Bytes flash = Flash();
  EXPECT_TRUE(testing::BankOf(flash, 0) == NewFirmware());
  EXPECT_TRUE(testing::BankOf(flash, 1) == NewFirmware());
  EXPECT_FALSE(HasLine(Log(), "Failed Upgrade")) << Log();
}

INSTANTIATE_TEST_SUITE_P(Roads, CutRoads,
                         ::testing::Values(CutCase{"BeforeTheFirstErase", {0, false, 1}},
                                           CutCase{"TornPageOfTheFirstBank", {100, true, 2}},
                                           CutCase{"TornTrailerPageOfTheFirstBank", {203, true, 3}},
                                           CutCase{"TornFirstEraseOfTheSecondBank", {204, true, 4}},
                                           CutCase{"BeforeTheLastPage", {407, false, 5}}),
                         [](const ::testing::TestParamInfo<CutCase>& param) {
                           return std::string(param.param.name);
                         });

TEST_F(UpdateRoadTest, ABrickedDriveIsFoundButCannotBeWritten) {
  const Bytes blank = testing::FlashWith(testing::ErasedBank(), testing::ErasedBank());
  UseBridge({}, std::nullopt, blank);
  EXPECT_EQ(Run(Request()), 17);
  EXPECT_EQ(Logged(std::string(kSelect) + "fail (bricked)"), 4u);
  EXPECT_TRUE(Flash() == blank);
  EXPECT_FALSE(HasLine(Log(), "OnScanDrivesTimeout")) << "the drive check passed";
}

TEST_F(UpdateRoadTest, ADriveThatLeavesTheBusFailsAndKeepsAGoodBank) {
  BridgeFaults faults;
  faults.disappearAfterCommands = 3;  // select, read bank 0, program bank 1
  UseBridge(faults);
  EXPECT_EQ(Run(Request()), 17);
  EXPECT_TRUE(HasLine(Log(), kFailureLine)) << Log();
  const Bytes flash = Flash();
  EXPECT_TRUE(testing::BankOf(flash, 0) == OldFirmware());
  EXPECT_TRUE(testing::BankOf(flash, 1) == NewFirmware());
  EXPECT_EQ(Logged(std::string(kSelect) + "fail (gone)"), 3u);
}

// A cancel while the worker writes: the vendor library is released only
// once the worker is done with it, so the attempt runs to its end. A short
// attempt ends within the control thread's wait (5 s); a long one outlasts
// it, and the worker releases the library itself.
class CancelWhileWriting : public UpdateRoadTest, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(CancelWhileWriting, TheLibraryOutlivesTheWorker) {
  emulation::FlashTiming slow;
  slow.sectorEraseUs = GetParam();
  UseBridge({}, slow);
  PluginHost host;
  Begin(host, Request());
  ASSERT_TRUE(WaitForLogged(std::string(kSelect) + "ok", 10000));
  ASSERT_TRUE(host.SendId(BRIDGE_MSG_DLL_CANCEL));
  EXPECT_EQ(Finish(host), 0);
  const std::vector<std::string> lines = BridgeLog();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "boot (reset) -> bank 0");
  const Bytes flash = Flash();
  EXPECT_TRUE(testing::BankOf(flash, 0) == NewFirmware());
  EXPECT_TRUE(testing::BankOf(flash, 1) == NewFirmware());
}

// 24 erases of 100 ms (about 3 s in all), and of 300 ms (about 7.5 s).
INSTANTIATE_TEST_SUITE_P(Roads, CancelWhileWriting, ::testing::Values(100000u, 300000u),
                         [](const ::testing::TestParamInfo<uint32_t>& param) {
                           return param.param < 200000 ? std::string("WithinTheWait")
                                                       : std::string("BeyondTheWait");
                         });

}  // namespace
}  // namespace bridgefw
