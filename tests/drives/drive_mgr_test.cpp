// The drive manager over emulated drives: which disks it keeps, under which
// serial numbers, and its reports.
#include "drives/drive_mgr.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "diag/program_exception.h"
#include "emulation/emulated_drive.h"
#include "platform/fault.h"
#include "support/emulation.h"

namespace bridgefw {
namespace {

using emulation::EmulatedDrive;
using emulation::UsbStorageDrive;

const WString kUsbStor = u"USBSTOR\\DISK&VEN_ZT";
const WString kAssertion1062 = u"Exception Assertion!\nFile = .\\DriveMgr.cpp\nLine = 1062";

WString PathOf(const std::string& name) {
  return WidenUtf8(emulation::DefaultDevicePath(name));
}

class DriveMgrTest : public ::testing::Test {
 protected:
  void TearDown() override {
    platform::DisarmAllFaults();
    DriveMgr::DestroyInstance();
  }

  static std::vector<WString> Serials() {
    std::vector<WString> serials{u"stale"};
    DriveMgr::Instance().GetDriveSerialNumbers(serials);
    std::sort(serials.begin(), serials.end());
    return serials;
  }

  // The text of the ProgramException that `call` raises; empty if none.
  static WString ReportOf(const std::function<void()>& call) {
    try {
      call();
    } catch (const ProgramException& e) {
      return e.GetText();
    }
    return WString();
  }
};

TEST_F(DriveMgrTest, WithoutAnInstanceEveryOperationReports) {
  const WString instance = u"DriveMgr::Instance:CreateInstance must be called first.";
  EXPECT_FALSE(DriveMgr::Exists());
  EXPECT_EQ(ReportOf([] { DriveMgr::Instance(); }), instance);
  EXPECT_EQ(ReportOf([] { DriveMgr::Refresh(); }),
            u"DriveMgr::Refresh:CreateInstance must be called first.");
  EXPECT_EQ(ReportOf([] { DriveMgr::SetCurrentDrive(u"X"); }), instance);
  EXPECT_EQ(ReportOf([] { DriveMgr::GetCurrentDrive(); }), instance);
  EXPECT_EQ(ReportOf([] { DriveMgr::GetCurrentDrivePid(); }), instance);
  EXPECT_EQ(ReportOf([] { DriveMgr::GetCurrentDriveSerialNumber(); }), instance);
  DriveMgr::DestroyInstance();  // nothing to destroy: no effect
  EXPECT_FALSE(DriveMgr::Exists());
}

TEST_F(DriveMgrTest, ASecondCreateInstanceFailsAndKeepsTheFirst) {
  testing::EmulationFolder folder({UsbStorageDrive("a", "SER-A")});
  DriveMgr::CreateInstance({kUsbStor});
  DriveMgr* first = &DriveMgr::Instance();
  EXPECT_EQ(ReportOf([] { DriveMgr::CreateInstance({u""}); }),
            u"DriveMgr::CreateInstance:DriveMgr already called.");
  EXPECT_EQ(&DriveMgr::Instance(), first);
  EXPECT_EQ(Serials(), std::vector<WString>{u"SER-A"});
  DriveMgr::DestroyInstance();
  EXPECT_FALSE(DriveMgr::Exists());
}

TEST_F(DriveMgrTest, WhichDisksThePrefixesAccept) {
  EmulatedDrive scsi = UsbStorageDrive("scsi", "SER-S");
  scsi.instanceId = "SCSI\\DISK&VEN_ZT&PROD_UAS\\4&1&0&000000";
  EmulatedDrive other = UsbStorageDrive("other", "SER-O");
  other.instanceId = "NONUSB\\DISK&VEN_ATA&PROD_X&REV_1\\0&0&0&0";
  EmulatedDrive noId = UsbStorageDrive("noid", "SER-N");
  noId.instanceId.clear();
  testing::EmulationFolder folder({UsbStorageDrive("usb", "SER-U"), scsi, other, noId});

  struct Case {
    const char* name;
    std::vector<WString> prefixes;
    std::vector<WString> serials;
  };
  const Case cases[] = {
      {"no prefixes", {}, {}},
      {"an empty prefix accepts every disk", {u""}, {u"SER-N", u"SER-O", u"SER-S", u"SER-U"}},
      {"one prefix", {kUsbStor}, {u"SER-U"}},
      {"two prefixes", {kUsbStor, u"SCSI\\DISK"}, {u"SER-S", u"SER-U"}},
      {"case-sensitive", {u"usbstor\\disk&ven_zt"}, {}},
      {"anchored at the start", {u"DISK&VEN_ZT"}, {}},
      {"a prefix longer than the id", {u"SCSI\\DISK&VEN_ZT&PROD_UAS\\4&1&0&000000&more"}, {}},
      {"the whole id", {u"SCSI\\DISK&VEN_ZT&PROD_UAS\\4&1&0&000000"}, {u"SER-S"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DriveMgr::CreateInstance(c.prefixes);
    EXPECT_EQ(Serials(), c.serials);
    DriveMgr::DestroyInstance();
  }
}

TEST_F(DriveMgrTest, ADiskThatTwoPrefixesMatchIsFiledAndReadOnce) {
  testing::EmulationFolder folder({UsbStorageDrive("a", "SER-A")});
  DriveMgr::CreateInstance({u"USBSTOR", kUsbStor, u""});
  EXPECT_EQ(Serials(), std::vector<WString>{u"SER-A"});
  EXPECT_EQ(testing::OperationsSentTo(emulation::DefaultDevicePath("a")), "I");
}

TEST_F(DriveMgrTest, DisksWithOneSerialNumberCountAsOneDriveTheLaterOneStays) {
  EmulatedDrive unopenable1 = UsbStorageDrive("u1", "");
  unopenable1.unopenable = true;
  EmulatedDrive unopenable2 = UsbStorageDrive("u2", "");
  unopenable2.unopenable = true;
  testing::EmulationFolder folder({UsbStorageDrive("first", "SAME"), UsbStorageDrive("b", "OTHER"),
                                   UsbStorageDrive("second", "ZT-SAME"), unopenable1, unopenable2});
  DriveMgr::CreateInstance({kUsbStor});
  EXPECT_EQ(Serials(), (std::vector<WString>{u"", u"OTHER", u"SAME"}));
  EXPECT_EQ(DriveMgr::Instance().GetDrive(u"SAME").m_devicePath, PathOf("second"));
  EXPECT_EQ(DriveMgr::Instance().GetDrive(u"").m_devicePath, PathOf("u2"));
  EXPECT_EQ(DriveMgr::Instance().GetDrive(u"OTHER").m_devicePath, PathOf("b"));
}

TEST_F(DriveMgrTest, TheCurrentDriveSurvivesRefreshOnlyWhileItIsFound) {
  testing::EmulationFolder folder({UsbStorageDrive("a", "SER-A"), UsbStorageDrive("b", "SER-B")});
  DriveMgr::CreateInstance({kUsbStor});
  DriveMgr::SetCurrentDrive(u"SER-B");
  EXPECT_EQ(DriveMgr::GetCurrentDrive().m_devicePath, PathOf("b"));

  folder.Write({UsbStorageDrive("a", "SER-A")});  // b unplugged
  DriveMgr::Refresh();
  EXPECT_EQ(Serials(), std::vector<WString>{u"SER-A"});
  EXPECT_EQ(ReportOf([] { DriveMgr::GetCurrentDrive(); }), kAssertion1062);
  EXPECT_EQ(ReportOf([] { DriveMgr::GetCurrentDrivePid(); }), kAssertion1062);
  EXPECT_EQ(ReportOf([] { DriveMgr::GetCurrentDriveSerialNumber(); }), kAssertion1062);

  folder.Write({UsbStorageDrive("a", "SER-A"), UsbStorageDrive("b2", "SER-B")});  // back
  DriveMgr::Refresh();
  EXPECT_EQ(DriveMgr::GetCurrentDrive().m_devicePath, PathOf("b2"));
}

TEST_F(DriveMgrTest, SetCurrentDriveChecksNothingButLookupsDo) {
  testing::EmulationFolder folder({UsbStorageDrive("a", "SER-A")});
  DriveMgr::CreateInstance({kUsbStor});
  DriveMgr::SetCurrentDrive(u"ser-a");  // keys are case-sensitive
  EXPECT_EQ(ReportOf([] { DriveMgr::GetCurrentDrive(); }), kAssertion1062);
  EXPECT_EQ(ReportOf([] { DriveMgr::Instance().GetDrive(u"NONE"); }), kAssertion1062);
  DriveMgr::SetCurrentDrive(u"SER-A");
  EXPECT_EQ(DriveMgr::GetCurrentDrive().m_devicePath, PathOf("a"));
}

TEST_F(DriveMgrTest, TheCurrentDrivesProductIdComesFromItsParent) {
  struct Case {
    const char* name;
    std::string instanceId;
    std::string parentId;
    int32_t pid;
  };
  const Case cases[] = {
      {"usb-storage", "USBSTOR\\DISK&VEN_ZT&PROD_X\\1&0", "USB\\VID_2B4E&PID_1A2B\\1", 0x1A2B},
      {"uas", "SCSI\\DISK&VEN_ZT&PROD_X\\4&1&0&000000", "USB\\VID_0D6B&PID_0042\\1", 0x42},
      {"1394", "SBP2\\ZT&TOWER\\1", "1394\\ZT&TOWER_BOX_77\\1", 0x77},
      {"a disk of another kind", "IDE\\DISK&VEN_ZT\\1", "USB\\VID_2B4E&PID_1A2B\\1", 0},
      {"no parent", "USBSTOR\\DISK&VEN_ZT&PROD_X\\1&0", "", 0},
      {"a parent id without keyword", "USBSTOR\\DISK&VEN_ZT&PROD_X\\1&0", "USB\\ROOT\\1", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EmulatedDrive drive = UsbStorageDrive("d", "SER-D");
    drive.instanceId = c.instanceId;
    drive.parentId = c.parentId;
    testing::EmulationFolder folder({drive});
    DriveMgr::CreateInstance({u""});
    DriveMgr::SetCurrentDrive(u"SER-D");
    EXPECT_EQ(DriveMgr::GetCurrentDrivePid(), c.pid);
    DriveMgr::DestroyInstance();
  }
}

TEST_F(DriveMgrTest, TheCurrentSerialNumberIsReadFromTheDeviceAgain) {
  testing::EmulationFolder folder({UsbStorageDrive("a", "SER-A")});
  DriveMgr::CreateInstance({kUsbStor});
  DriveMgr::SetCurrentDrive(u"SER-A");
  EXPECT_EQ(DriveMgr::GetCurrentDriveSerialNumber(), u"SER-A");

  // Same device, another answer now: the fresh answer, not the stored key.
  folder.Write({UsbStorageDrive("a", "  ZT-NEW  ")});
  EXPECT_EQ(DriveMgr::GetCurrentDriveSerialNumber(), u"NEW");
  EXPECT_EQ(Serials(), std::vector<WString>{u"SER-A"});

  EmulatedDrive gone = UsbStorageDrive("a", "SER-A");
  gone.unopenable = true;
  folder.Write({gone});
  EXPECT_EQ(DriveMgr::GetCurrentDriveSerialNumber(), u"");
}

TEST_F(DriveMgrTest, TheDriveGivesItsParentIdAsEightBitText) {
  testing::EmulationFolder folder({UsbStorageDrive("a", "SER-A", 0x2B4E, 0x00C1)});
  DriveMgr::CreateInstance({kUsbStor});
  DriveMgr::SetCurrentDrive(u"SER-A");
  std::string parent;
  EXPECT_TRUE(DriveMgr::GetCurrentDrive().GetParentDeviceIdA(parent));
  EXPECT_EQ(parent, "USB\\VID_2B4E&PID_00C1\\a");
}

TEST_F(DriveMgrTest, AnEntryWithoutDetailIsNeverADriveNotEvenForAnEmptyPrefix) {
  testing::EmulationFolder folder({UsbStorageDrive("a", "SER-A"), UsbStorageDrive("b", "SER-B"),
                                   UsbStorageDrive("c", "SER-C")});
  // The first detail query of the third entry fails otherwise than by
  // asking for a buffer (each entry makes two queries).
  platform::ArmFault(platform::FaultSite::kGetInterfaceDetail, 5, false);
  DriveMgr::CreateInstance({u""});
  platform::DisarmAllFaults();
  EXPECT_EQ(Serials(), (std::vector<WString>{u"SER-A", u"SER-B"}));
}

TEST_F(DriveMgrTest, NoDrivesWhenNothingCanBeEnumerated) {
  testing::ScopedEnv env("BRIDGEFW_EMULATION", "/nonexistent/bridgefw-emulation");
  DriveMgr::CreateInstance({u""});
  EXPECT_EQ(Serials(), std::vector<WString>{});
}

}  // namespace
}  // namespace bridgefw
