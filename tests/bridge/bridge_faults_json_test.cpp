// A drive's "faults" and "timing" in drives.json: written and read back,
// optional for older folders, and misspellings refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "emulation/emulation_folder.h"
#include "support/temp_dir.h"

namespace bridgefw {
namespace {

using emulation::BridgeCommand;
using emulation::EmulatedDrive;

std::vector<EmulatedDrive> ReadBack(const testing::TempDir& dir, std::string* error = nullptr) {
  std::vector<EmulatedDrive> drives;
  emulation::ReadEmulationFolder(dir.Native(), drives, error);
  return drives;
}

TEST(BridgeFaultsJson, FaultsAndTimingSurviveTheRoundTrip) {
  testing::TempDir dir;
  EmulatedDrive drive = emulation::UsbStorageDrive("a", "SER1");
  drive.faults.commands.push_back({BridgeCommand::kProgram, {1, 2, false}});
  drive.faults.commands.push_back({BridgeCommand::kReset, {0, 1, true}});
  drive.faults.readDiffers = emulation::ReadFault{0x1BFFF, 0x80, {3, 1, false}};
  drive.faults.disappearAfterCommands = 7;
  drive.faults.powerCut = emulation::PowerCut{407, true, 99};
  drive.timing = emulation::FlashTiming{700, 40000, 2000000, 500};
  ASSERT_TRUE(emulation::WriteEmulationFolder(dir.Native(), {drive}));

  const std::vector<EmulatedDrive> drives = ReadBack(dir);
  ASSERT_EQ(drives.size(), 1u);
  const emulation::BridgeFaults& f = drives[0].faults;
  ASSERT_EQ(f.commands.size(), 2u);
  EXPECT_EQ(f.commands[0].command, BridgeCommand::kProgram);
  EXPECT_EQ(f.commands[0].calls.skip, 1u);
  EXPECT_EQ(f.commands[0].calls.times, 2u);
  EXPECT_FALSE(f.commands[0].calls.always);
  EXPECT_EQ(f.commands[1].command, BridgeCommand::kReset);
  EXPECT_TRUE(f.commands[1].calls.always);
  ASSERT_TRUE(f.readDiffers);
  EXPECT_EQ(f.readDiffers->address, 0x1BFFFu);
  EXPECT_EQ(f.readDiffers->mask, 0x80);
  EXPECT_EQ(f.readDiffers->calls.skip, 3u);
  EXPECT_EQ(f.disappearAfterCommands, 7u);
  ASSERT_TRUE(f.powerCut);
  EXPECT_EQ(f.powerCut->afterOps, 407u);
  EXPECT_TRUE(f.powerCut->torn);
  EXPECT_EQ(f.powerCut->seed, 99u);
  ASSERT_TRUE(drives[0].timing);
  EXPECT_EQ(drives[0].timing->pageProgramUs, 700u);
  EXPECT_EQ(drives[0].timing->sectorEraseUs, 40000u);
  EXPECT_EQ(drives[0].timing->readBytesPerSecond, 2000000u);
  EXPECT_EQ(drives[0].timing->commandOverheadUs, 500u);
}

TEST(BridgeFaultsJson, AFolderWithoutThemHasNoFaultsAndNoTiming) {
  testing::TempDir dir;
  testing::WriteWholeFile(dir.Native("drives.json"), R"({"format": 1, "drives": [{"name": "a"}]})");
  const std::vector<EmulatedDrive> drives = ReadBack(dir);
  ASSERT_EQ(drives.size(), 1u);
  EXPECT_TRUE(drives[0].faults.empty());
  EXPECT_FALSE(drives[0].timing);
  // And a drive without them is written without them.
  ASSERT_TRUE(emulation::WriteEmulationFolder(dir.Native(), drives));
  const std::string text = testing::ReadWholeFile(dir.Native("drives.json"));
  EXPECT_EQ(text.find("faults"), std::string::npos);
  EXPECT_EQ(text.find("timing"), std::string::npos);
}

TEST(BridgeFaultsJson, TimingMayBeJustSwitchedOn) {
  testing::TempDir dir;
  testing::WriteWholeFile(
      dir.Native("drives.json"),
      R"({"format": 1, "drives": [{"name": "a", "timing": true}, {"name": "b", "timing": false},
                                  {"name": "c", "timing": {"sectorEraseUs": 1}}]})");
  const std::vector<EmulatedDrive> drives = ReadBack(dir);
  ASSERT_EQ(drives.size(), 3u);
  ASSERT_TRUE(drives[0].timing);
  EXPECT_EQ(drives[0].timing->sectorEraseUs, 45000u);
  EXPECT_EQ(drives[0].timing->pageProgramUs, 800u);
  EXPECT_FALSE(drives[1].timing);
  ASSERT_TRUE(drives[2].timing);
  EXPECT_EQ(drives[2].timing->sectorEraseUs, 1u);
  EXPECT_EQ(drives[2].timing->readBytesPerSecond, 1000000u);
}

TEST(BridgeFaultsJson, MistakesRejectTheWholeFile) {
  const char* const wrong[] = {
      R"({"powercut": {"afterOps": 3}})",
      R"({"commands": [{"command": "erase"}]})",
      R"({"commands": [{"command": "read", "time": 2}]})",
      R"({"commands": {"command": "read"}})",
      R"({"powerCut": {"afterOps": -1}})",
      R"({"powerCut": {"afterOps": 1, "torn": 1}})",
      R"({"readDiffers": {"address": 131072}})",
      R"({"readDiffers": {"address": 5, "mask": 0}})",
  };
  for (const char* faults : wrong) {
    SCOPED_TRACE(faults);
    testing::TempDir dir;
    testing::WriteWholeFile(
        dir.Native("drives.json"),
        std::string(R"({"format": 1, "drives": [{"name": "a", "faults": )") + faults + "}]}");
    std::string error;
    EXPECT_TRUE(ReadBack(dir, &error).empty());
    EXPECT_FALSE(error.empty());
  }
  testing::TempDir dir;
  testing::WriteWholeFile(
      dir.Native("drives.json"),
      R"({"format": 1, "drives": [{"name": "a", "timing": {"readBytesPerSecond": 0}}]})");
  EXPECT_TRUE(ReadBack(dir).empty());
}

}  // namespace
}  // namespace bridgefw
