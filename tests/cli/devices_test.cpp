// `bridgefw devices`: the drives the plugin would consider, with the ids
// and serial numbers it would see.
#include <gtest/gtest.h>

#include "cli_fixture.h"

namespace bridgefw::testing {
namespace {

class DevicesTest : public CliTest {
 protected:
  void SetUp() override {
    emulation::EmulatedDrive usb = emulation::UsbStorageDrive("usb", " ZT-ABC123 ", 0x0D6B, 0x00FF);
    emulation::EmulatedDrive other = emulation::UsbStorageDrive("other", "OTHER1");
    other.instanceId = "NONUSB\\DISK&VEN_ATA&PROD_DISK&REV_1\\0&0&0&0";
    other.parentId.clear();
    emulation::EmulatedDrive uas = emulation::UsbStorageDrive("uas", "UAS0001", 0x2B4E, 0x1A2C);
    uas.instanceId = "SCSI\\DISK&VEN_ZT&PROD_BRIDGE&REV_0100\\4&1a2b3c4d&0&000000";
    emulation::EmulatedDrive locked = emulation::UsbStorageDrive("locked", "LOCKED1");
    locked.unopenable = true;
    std::string error;
    ASSERT_TRUE(
        emulation::WriteEmulationFolder(Path("emulation"), {usb, other, uas, locked}, &error))
        << error;
  }

  nlohmann::json Devices(std::vector<std::string> args) const {
    CliOptions options = Options();
    options.env.push_back({"BRIDGEFW_EMULATION", Path("emulation")});
    args.insert(args.begin(), "devices");
    args.push_back("--json");
    const CliResult result = RunCli(args, options);
    EXPECT_EQ(result.status, 0) << result.Transcript();
    return result.Json();
  }
};

TEST_F(DevicesTest, ListsTheDrivesTheDefaultPrefixesAccept) {
  const nlohmann::json report = Devices({});
  ASSERT_EQ(report["drives"].size(), 3u) << report.dump(2);
  const nlohmann::json& usb = report["drives"][0];
  EXPECT_EQ(usb["devicePath"], emulation::DefaultDevicePath("usb"));
  EXPECT_EQ(usb["instanceId"], "USBSTOR\\DISK&VEN_ZT&PROD_BRIDGE&REV_0100\\usb&0");
  EXPECT_EQ(usb["parentId"], "USB\\VID_0D6B&PID_00FF\\usb");
  EXPECT_EQ(usb["vendorId"], "0D6B");
  EXPECT_EQ(usb["productId"], "00FF");
  // Blanks around it trimmed and "ZT-" removed, as the plugin compares it.
  EXPECT_EQ(usb["serialNumber"], "ABC123");
  const nlohmann::json& uas = report["drives"][1];
  EXPECT_EQ(uas["productId"], "1A2C");
  EXPECT_EQ(uas["serialNumber"], "UAS0001");
  // A disk that cannot be opened is listed, without serial number.
  const nlohmann::json& locked = report["drives"][2];
  EXPECT_EQ(locked["devicePath"], emulation::DefaultDevicePath("locked"));
  EXPECT_EQ(locked["serialNumber"], "");
}

TEST_F(DevicesTest, PrefixesChooseTheDrivesAndAllShowsTheRest) {
  nlohmann::json report = Devices({"--prefix", "NONUSB\\"});
  ASSERT_EQ(report["drives"].size(), 1u) << report.dump(2);
  EXPECT_EQ(report["drives"][0]["serialNumber"], "OTHER1");
  EXPECT_TRUE(report["drives"][0]["parentId"].get<std::string>().empty());
  EXPECT_TRUE(report["drives"][0]["vendorId"].is_null());

  report = Devices({"--all", "--prefix", "SCSI\\DISK"});
  ASSERT_EQ(report["drives"].size(), 4u) << report.dump(2);
  int accepted = 0;
  for (const auto& drive : report["drives"]) accepted += drive["accepted"].get<bool>() ? 1 : 0;
  EXPECT_EQ(accepted, 1);
  EXPECT_EQ(report["drives"][2]["accepted"], true);
}

}  // namespace
}  // namespace bridgefw::testing
