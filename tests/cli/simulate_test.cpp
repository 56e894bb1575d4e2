// `bridgefw simulate init` and `show`: emulation folders as the plugin and
// the vendor-library stand-in read them.
#include <gtest/gtest.h>

#include <algorithm>

#include "cli_fixture.h"

namespace bridgefw::testing {
namespace {

TEST_F(CliTest, SimulateInitWritesDrivesAndFlashAsAsked) {
  const std::string folder = Path("sim");
  const CliResult result =
      RunCli({"simulate", "init", folder, "--drives", "3", "--serial", "ALPHA", "--serial", "BETA",
              "--pid", "0x1234", "--bank0", "blank", "--bank1", "corrupt"},
             Options());
  ASSERT_EQ(result.status, 0) << result.Transcript();

  std::vector<emulation::EmulatedDrive> drives;
  std::string error;
  ASSERT_TRUE(emulation::ReadEmulationFolder(folder, drives, &error)) << error;
  ASSERT_EQ(drives.size(), 3u);
  EXPECT_EQ(drives[0].page80, emulation::MakeSerialNumberPage("ALPHA"));
  EXPECT_EQ(drives[1].page80, emulation::MakeSerialNumberPage("BETA"));
  EXPECT_EQ(drives[2].page80, emulation::MakeSerialNumberPage("SIM0000003"));
  EXPECT_EQ(drives[1].parentId, "USB\\VID_2B4E&PID_1234\\drive1");

  for (const auto& drive : drives) {
    const std::string bytes = ReadWholeFile(emulation::FlashFilePath(folder, drive));
    ASSERT_EQ(bytes.size(), cli::kFlashFileSize);
    const std::vector<uint8_t> flash(bytes.begin(), bytes.end());
    // Bank 0 and everything outside the banks is erased.
    const std::vector<uint8_t> bank1 = Bank(flash, 1);
    for (size_t i = 0; i < flash.size(); ++i) {
      const bool inBank1 = i >= cli::kBankAddresses[1] && i < cli::kBankAddresses[1] + bank1.size();
      if (!inBank1) {
        ASSERT_EQ(flash[i], 0xFF) << "at " << i;
      }
    }
    // Bank 1: the older sample with one bit off, so its CRC fails.
    EXPECT_FALSE(IsValidFirmwareImage(bank1.data()));
    const std::vector<uint8_t> older = OlderImage();
    EXPECT_EQ(std::mismatch(bank1.begin(), bank1.end(), older.begin()).first - bank1.begin() <
                  static_cast<long>(kFirmwareSignatureOffset),
              true);
  }

  const CliResult shown = RunCli({"simulate", "show", folder, "--json"}, Options());
  ASSERT_EQ(shown.status, 0) << shown.Transcript();
  const nlohmann::json report = shown.Json();
  ASSERT_EQ(report["drives"].size(), 3u);
  const nlohmann::json& second = report["drives"][1];
  EXPECT_EQ(second["serialNumber"], "BETA");
  EXPECT_EQ(second["vendorId"], "2B4E");
  EXPECT_EQ(second["productId"], "1234");
  EXPECT_EQ(second["flashFileSize"], cli::kFlashFileSize);
  EXPECT_EQ(second["banks"][0]["state"], "blank");
  EXPECT_EQ(second["banks"][1]["state"], "corrupt");
  EXPECT_EQ(second["banks"][1]["model"], "847x");
  EXPECT_NE(second["banks"][1]["storedCrc"], second["banks"][1]["computedCrc"]);
}

TEST_F(CliTest, SimulateInitByDefaultMakesOneDriveWithTheOlderImageInBothBanks) {
  const std::string folder = Path("sim");
  ASSERT_EQ(RunCli({"simulate", "init", folder}, Options()).status, 0);
  const std::vector<uint8_t> flash = Flash(folder, "drive0");
  EXPECT_EQ(Bank(flash, 0), OlderImage());
  EXPECT_EQ(Bank(flash, 1), OlderImage());

  const CliResult shown = RunCli({"simulate", "show", folder, "--json"}, Options());
  ASSERT_EQ(shown.status, 0) << shown.Transcript();
  const nlohmann::json drive = shown.Json()["drives"][0];
  EXPECT_EQ(drive["serialNumber"], "SIM0000001");
  for (const auto& bank : drive["banks"]) {
    EXPECT_EQ(bank["state"], "valid");
    EXPECT_EQ(bank["sample"], "older");
    EXPECT_EQ(bank["releaseTag"], "0100");
  }
}

// A hand-edited folder: the serial number as the plugin reads it (cleaned),
// a missing flash file, and settings this program does not know, shown as
// they stand.
TEST_F(CliTest, SimulateShowReadsWhatAPersonWrote) {
  const std::string folder = Path("sim");
  WriteFile("sim/drives.json", [] {
    const std::string text = R"({"format": 1, "drives": [{
                "name": "odd", "parentId": "USB\\VID_0D6B&PID_00FF\\x",
                "page80": "00 80 00 0B 20 5A 54 2D 41 42 43 31 32 33 20",
                "faults": {"commands": [{"command": "select", "always": true}]}}]})";
    return std::vector<uint8_t>(text.begin(), text.end());
  }());
  const CliResult shown = RunCli({"simulate", "show", folder, "--json"}, Options());
  ASSERT_EQ(shown.status, 0) << shown.Transcript();
  const nlohmann::json drive = shown.Json()["drives"][0];
  EXPECT_EQ(drive["serialNumber"], "ABC123");
  EXPECT_EQ(drive["vendorId"], "0D6B");
  EXPECT_EQ(drive["productId"], "00FF");
  EXPECT_TRUE(drive["flashFileSize"].is_null());
  EXPECT_TRUE(drive["banks"].empty());
  EXPECT_EQ(drive["otherSettings"]["faults"]["commands"][0]["command"], "select");

  const CliResult text = RunCli({"simulate", "show", folder}, Options());
  ASSERT_EQ(text.status, 0) << text.Transcript();
  EXPECT_NE(text.out.find("ABC123"), std::string::npos) << text.Transcript();
  EXPECT_NE(text.out.find("cannot read"), std::string::npos) << text.Transcript();
}

}  // namespace
}  // namespace bridgefw::testing
