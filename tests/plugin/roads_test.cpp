// The roads of a run, from DllDataInit to DllReadyForUnload, on emulated
// drives. A drive that passes the check is written when the request names a
// real image file and the drive has a flash file; otherwise every attempt
// fails and the road ends with "update failed" after four attempts.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "road_fixture.h"
#include "update_fixture.h"

namespace bridgefw {
namespace {

using emulation::EmulatedDrive;
using emulation::UsbStorageDrive;
using testing::PluginHost;
using testing::RecordingWindow;
using testing::RoadTest;
using testing::Stopwatch;
using testing::UpdateRoadTest;

constexpr uint16_t kPid = 0x1A2B;

struct DriveCheckCase {
  const char* name;
  std::vector<EmulatedDrive> drives;
  PluginHost::Request request;
  int32_t result;
  const char* logLine;  // expected in the log, or null
  // The drives get flash files and the request a real image file.
  bool withFirmware = false;
};

PluginHost::Request Ask(std::u16string serial, uint32_t vendorId = 0x2B4E, uint32_t pid = kPid) {
  PluginHost::Request request;
  request.serial = std::move(serial);
  request.vendorId = vendorId;
  request.productId = pid;
  request.firmwarePath = u"\\nonexistent\\firmware.bin";
  return request;
}

EmulatedDrive Unreadable(const std::string& name) {
  EmulatedDrive drive = UsbStorageDrive(name, "");
  drive.unopenable = true;
  return drive;
}

const std::string k32 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345";

std::vector<DriveCheckCase> Cases() {
  PluginHost::Request nullList = Ask(u"SER1");
  nullList.nullPrefixList = true;
  PluginHost::Request otherPrefix = Ask(u"SER1");
  otherPrefix.prefixes = {u"SCSI\\DISK"};
  return {
      {"NoDrive",
       {},
       Ask(u"SER1"),
       12,
       "CBridgeDllController::OnScanDrivesTimeout - No Drive. VID:2B4E  PID:1A2B"},
      {"SeveralDrivesEvenWithTheRightOne",
       {UsbStorageDrive("a", "SER1"), UsbStorageDrive("b", "SER2")},
       Ask(u"SER1"),
       13,
       "Multiple Drives Detected. VID:2B4E  PID:1A2B"},
      {"VendorNotAccepted",
       {UsbStorageDrive("a", "SER1")},
       Ask(u"SER1", 0x1234),
       11,
       "Drive Mismatch from Scan. VID:1234  PID:1A2B:1A2B SerNo:SER1:SER1"},
      {"ProductIdDiffers",
       {UsbStorageDrive("a", "SER1")},
       Ask(u"SER1", 0x2B4E, 0x77),
       11,
       "Drive Mismatch from Scan. VID:2B4E  PID:77:1A2B SerNo:SER1:SER1"},
      {"SerialDiffersInCaseOnly",
       {UsbStorageDrive("a", "SER1")},
       Ask(u"ser1"),
       11,
       "SerNo:ser1:SER1"},
      {"SerialCutTo31Characters",
       {UsbStorageDrive("a", k32)},
       Ask(std::u16string(k32.begin(), k32.end())),
       11,
       "SerNo:ABCDEFGHIJKLMNOPQRSTUVWXYZ01234:ABCDEFGHIJKLMNOPQRSTUVWXYZ012345"},
      {"EmptySerialNeverMatchesAnUnreadableDrive", {Unreadable("a")}, Ask(u""), 11, "SerNo::"},
      {"PrefixesDecideWhatIsADrive", {UsbStorageDrive("a", "SER1")}, otherPrefix, 12, nullptr},
      {"NoPrefixListFindsNoDrive", {UsbStorageDrive("a", "SER1")}, nullList, 12, nullptr},
      {"TheRightDriveGoesOnToTheUpdate",
       {UsbStorageDrive("a", "SER1")},
       Ask(u"SER1"),
       18,
       nullptr,
       true},
      {"SecondVendorIdIsAcceptedToo",
       {UsbStorageDrive("a", "SER1", 0x0D6B)},
       Ask(u"SER1", 0x0D6B),
       18,
       nullptr,
       true},
      {"AMissingImageFileFailsEveryAttempt",
       {UsbStorageDrive("a", "SER1")},
       Ask(u"SER1"),
       17,
       "Failed Upgrade, m_upgradeCounter:4"},
  };
}

void PrintTo(const DriveCheckCase& c, std::ostream* os) {
  *os << c.name;
}

class DriveCheck : public RoadTest, public ::testing::WithParamInterface<DriveCheckCase> {};

TEST_P(DriveCheck, GivesTheResult) {
  const DriveCheckCase& c = GetParam();
  UseDrives(c.drives);
  PluginHost::Request request = c.request;
  if (c.withFirmware) {
    for (const EmulatedDrive& drive : c.drives) {
      testing::WriteDriveFlash(m_dir.Native("emulation"), drive,
                               testing::FlashWith(testing::OldFirmware(), testing::OldFirmware()));
    }
    const testing::Bytes& image = testing::NewFirmware();
    testing::WriteWholeFile(m_dir.Native("firmware.bin"), std::string(image.begin(), image.end()));
    request.firmwarePath = m_dir.Core("firmware.bin");
  }
  EXPECT_EQ(Run(request), c.result);
  if (c.logLine != nullptr) {
    EXPECT_NE(Log().find(c.logLine), std::string::npos) << Log();
  }
  // One matching drive is checked silently.
  if (c.result >= 17) {
    EXPECT_EQ(Log().find("OnScanDrivesTimeout"), std::string::npos) << Log();
  }
}

INSTANTIATE_TEST_SUITE_P(Roads, DriveCheck, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<DriveCheckCase>& param) {
                           return std::string(param.param.name);
                         });

TEST_F(RoadTest, CancelBeforeTheUpdateRequestEndsAtOnceWithNoOutcome) {
  PluginHost host;
  ASSERT_TRUE(host.Start());
  ASSERT_TRUE(host.SendDataInit(m_window, testing::kAppMessage));
  ASSERT_TRUE(host.SendId(BRIDGE_MSG_DLL_CANCEL));
  EXPECT_EQ(Finish(host), 0);
  EXPECT_EQ(Log().find("BrStScanDrives"), std::string::npos) << "no drive scan, no library";
}

TEST_F(RoadTest, CancelDuringTheScanWaitSkipsTheCloseDelay) {
  for (int32_t id : {BRIDGE_MSG_DLL_CANCEL, BRIDGE_MSG_DLL_EXIT}) {
    SCOPED_TRACE(id);
    UseDrives({UsbStorageDrive("a", "SER1")});
    PluginHost host;
    Begin(host, Ask(u"SER1"));
    Stopwatch watch;
    ASSERT_TRUE(host.SendId(id));
    EXPECT_EQ(Finish(host), 0);
    // Without the cancel: 1 s scan wait, four polls and the 3 s close wait.
    EXPECT_LT(watch.ElapsedMs(), 2800);
    EXPECT_NE(Log().find("BrStScanDrives - VID:2B4E  PID:1A2B"), std::string::npos) << Log();
  }
}

TEST_F(RoadTest, OutcomeArrivesAfterTheCloseDelay) {
  PluginHost host;
  Stopwatch watch;
  Begin(host, Ask(u"SER1"));
  // A host's Timeout4 only starts the self-re-arming 30 s timer.
  ASSERT_TRUE(host.SendId(BRIDGE_MSG_TIMEOUT4));
  EXPECT_EQ(Finish(host), 12);
  // One second to the scan, three to close.
  EXPECT_GE(watch.ElapsedMs(), 3900);
}

TEST_F(RoadTest, HostMessagesWithoutMeaningChangeNothing) {
  PluginHost host;
  Begin(host, Ask(u"SER1"));
  for (int32_t id = BRIDGE_MSG_APP_BTN_ACCEPT; id <= BRIDGE_MSG_APP_UI_EXCEPTION; ++id) {
    ASSERT_TRUE(host.SendId(id, id % 2));
  }
  ASSERT_TRUE(host.SendId(BRIDGE_MSG_DLL_DATA_INIT));   // a second, empty DllDataInit is ignored
  ASSERT_TRUE(host.SendUpdate(Ask(u"OTHER", 0x1111)));  // so is a second DllUpdate
  EXPECT_EQ(Finish(host), 12);
}

TEST_F(RoadTest, VendorLibraryThatCannotBeLoadedEndsWithNoOutcome) {
  // The plugin alone, without the vendor library beside it.
  const std::string lonely = m_dir.Native("libbridgefw.so");
  ASSERT_EQ(std::system(("cp '" BRIDGEFW_PLUGIN_PATH "' '" + lonely + "'").c_str()), 0);
  UseDrives({UsbStorageDrive("a", "SER1")});
  PluginHost host(lonely.c_str());
  Stopwatch watch;
  Begin(host, Ask(u"SER1"));
  EXPECT_EQ(Finish(host), 0);
  EXPECT_LT(watch.ElapsedMs(), 2800) << "no scan wait and no close wait";
}

TEST_F(RoadTest, ExitBeforeTheEndOnlyTurnsTheRoad) {
  PluginHost host;
  Begin(host, Ask(u"SER1"));
  ASSERT_TRUE(host.SendId(BRIDGE_MSG_DLL_EXIT));
  // The loop keeps running until a DllExit or DllCancel arrives in the
  // exiting state: Finish sends it through PrepareForExit.
  EXPECT_EQ(Finish(host), 0);
}

TEST_F(RoadTest, MessagesSentBeforeTheThreadStartsWaitInTheQueue) {
  PluginHost host;
  ASSERT_TRUE(host.SendDataInit(m_window, testing::kAppMessage));
  ASSERT_TRUE(host.SendId(BRIDGE_MSG_DLL_CANCEL));
  ASSERT_TRUE(host.Start());
  EXPECT_EQ(Finish(host), 0);
}

TEST_F(RoadTest, CancelDuringTheUpdateEndsWithoutOutcomeOrCloseDelay) {
  UseDrives({UsbStorageDrive("a", "SER1")});
  PluginHost host;
  Begin(host, Ask(u"SER1"));
  // The scan decides after one second; the four attempts take four polls.
  std::this_thread::sleep_for(std::chrono::milliseconds(1800));
  Stopwatch watch;
  ASSERT_TRUE(host.SendId(BRIDGE_MSG_DLL_CANCEL));
  EXPECT_EQ(Finish(host), 0);
  EXPECT_LT(watch.ElapsedMs(), 2800);
}

TEST_F(RoadTest, CancelWhileClosingKeepsTheOutcomeAndTheWait) {
  PluginHost host;
  Stopwatch watch;
  Begin(host, Ask(u"SER1"));
  // No drive: decided after one second, then the three-second close wait.
  std::this_thread::sleep_for(std::chrono::milliseconds(2000));
  ASSERT_TRUE(host.SendId(BRIDGE_MSG_DLL_CANCEL));
  EXPECT_EQ(Finish(host), 12);
  EXPECT_GE(watch.ElapsedMs(), 3900);
}

TEST_F(UpdateRoadTest, HostThreadsUsingTheExportsDuringARun) {
  UseBridge();
  PluginHost host;
  Begin(host, Request());
  std::atomic<bool> stop{false};
  std::vector<std::thread> hosts;
  for (int t = 0; t < 3; ++t) {
    hosts.emplace_back([&host, &stop, t] {
      while (!stop.load()) {
        // Allocated and handed back, or allocated and sent; singletons
        // without meaning sent at both priorities.
        BridgeMsgHeader* init = host.AllocFwUpdDllMsg(BRIDGE_MSG_DLL_DATA_INIT);
        if (t == 0) {
          host.DeleteDllMsg(init);
        } else {
          // An empty DllDataInit outside the first state is ignored.
          host.SendFwUpdDllMsg(BRIDGE_PRIORITY_NORMAL, init);
        }
        host.SendFwUpdDllMsg(t % 2, host.AllocFwUpdDllMsg(BRIDGE_MSG_APP_BTN_RESCAN));
        host.AppHasReleasedAllDllMsgs();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    });
  }
  RecordingWindow::Post post{};
  const bool posted = m_window.Next(post, testing::kPostWaitMs);
  stop = true;
  for (auto& thread : hosts) thread.join();
  ASSERT_TRUE(posted);
  auto* ready = reinterpret_cast<BridgeMsgDllReadyForUnload*>(post.wparam);
  EXPECT_EQ(ready->resultCode, 18);
  EXPECT_EQ(host.DeleteDllMsg(&ready->header), 1);
  EXPECT_EQ(host.PrepareForExit(), 1);
  EXPECT_EQ(host.Join(), 0);
  EXPECT_FALSE(host.StillMapped());
}

}  // namespace
}  // namespace bridgefw
