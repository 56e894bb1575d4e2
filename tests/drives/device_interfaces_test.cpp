// DeviceInterfaces over the emulated backend: order, the two-call detail
// protocol and how failures end the list.
#include "drives/device_interfaces.h"

#include <gtest/gtest.h>

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
using platform::FaultSite;

class DeviceInterfacesTest : public ::testing::Test {
 protected:
  void TearDown() override { platform::DisarmAllFaults(); }

  // Three drives whose names are not in alphabetical order.
  static std::vector<EmulatedDrive> ThreeDrives() {
    return {UsbStorageDrive("zeta", "Z1"), UsbStorageDrive("alpha", "A1"),
            UsbStorageDrive("mid", "M1")};
  }

  static std::vector<std::string> Paths(const DeviceInterfaces& list) {
    std::vector<std::string> paths;
    for (int32_t i = 0; i < list.GetCount(); ++i) {
      paths.push_back(NarrowUtf8(list.GetAt(i).GetDevicePath()));
    }
    return paths;
  }

  static std::vector<std::string> PathsOf(const std::vector<std::string>& names) {
    std::vector<std::string> paths;
    for (const std::string& name : names) paths.push_back(emulation::DefaultDevicePath(name));
    return paths;
  }
};

TEST_F(DeviceInterfacesTest, EntriesKeepTheEnumerationOrderWithPathsAndIds) {
  testing::EmulationFolder folder(ThreeDrives());
  const DeviceInterfaces list(platform::kGuidDevinterfaceDisk);
  ASSERT_EQ(list.GetCount(), 3);
  EXPECT_EQ(Paths(list), PathsOf({"zeta", "alpha", "mid"}));
  const char* names[] = {"zeta", "alpha", "mid"};
  for (int32_t i = 0; i < 3; ++i) {
    EXPECT_TRUE(list.GetAt(i).HasDetail());
    EXPECT_EQ(NarrowUtf8(GetDeviceId(list.GetAt(i).GetDevInst())),
              std::string("USBSTOR\\DISK&VEN_ZT&PROD_BRIDGE&REV_0100\\") + names[i] + "&0");
  }
}

TEST_F(DeviceInterfacesTest, NothingToEnumerateGivesAnEmptyList) {
  {
    testing::EmulationFolder folder;
    EXPECT_EQ(DeviceInterfaces(platform::kGuidDevinterfaceDisk).GetCount(), 0);
  }
  {
    // A folder that cannot be read: no set, and still no exception.
    testing::ScopedEnv env("BRIDGEFW_EMULATION", "/nonexistent/bridgefw-emulation");
    EXPECT_EQ(DeviceInterfaces(platform::kGuidDevinterfaceDisk).GetCount(), 0);
  }
  {
    // Another interface class has no members.
    testing::EmulationFolder folder(ThreeDrives());
    const platform::Guid volumes = {
        0x53F5630D, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
    EXPECT_EQ(DeviceInterfaces(volumes).GetCount(), 0);
  }
  {
    testing::EmulationFolder folder(ThreeDrives());
    platform::ArmFault(FaultSite::kGetClassDevs, 1, false);
    EXPECT_EQ(DeviceInterfaces(platform::kGuidDevinterfaceDisk).GetCount(), 0);
  }
}

TEST_F(DeviceInterfacesTest, AFailureEndsTheListAtTheEntriesBuiltBefore) {
  struct Case {
    const char* name;
    FaultSite site;
    uint32_t nth;
  };
  // Each entry makes two detail queries: the third entry's are calls 5 and 6.
  const Case cases[] = {
      {"enumeration of the third member fails", FaultSite::kEnumDeviceInterface, 3},
      {"second detail query of the third entry fails (line 68)", FaultSite::kGetInterfaceDetail, 6},
      {"detail record of the third entry not allocated (line 56)", FaultSite::kAllocInterfaceDetail,
       3},
  };
  testing::EmulationFolder folder(ThreeDrives());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::ArmFault(c.site, c.nth, false);
    const DeviceInterfaces list(platform::kGuidDevinterfaceDisk);
    EXPECT_EQ(Paths(list), PathsOf({"zeta", "alpha"}));
    platform::DisarmAllFaults();
  }
}

TEST_F(DeviceInterfacesTest, AFirstDetailQueryThatAsksForNoBufferLeavesAnEntryWithoutDetail) {
  testing::EmulationFolder folder(ThreeDrives());
  platform::ArmFault(FaultSite::kGetInterfaceDetail, 5, false);
  const DeviceInterfaces list(platform::kGuidDevinterfaceDisk);
  ASSERT_EQ(list.GetCount(), 3);
  EXPECT_FALSE(list.GetAt(2).HasDetail());
  EXPECT_EQ(list.GetAt(2).GetDevicePath(), WString());
  EXPECT_EQ(list.GetAt(2).GetDevInst(), 0u);
  EXPECT_EQ(GetDeviceId(list.GetAt(2).GetDevInst()), WString());
  EXPECT_TRUE(list.GetAt(1).HasDetail());
}

TEST_F(DeviceInterfacesTest, TheEntryRaisesTheAssertionReportsOfLines56And68) {
  struct Case {
    FaultSite site;
    uint32_t nth;
    const char16_t* text;
  };
  const Case cases[] = {
      {FaultSite::kAllocInterfaceDetail, 1,
       u"Exception Assertion!\nFile = .\\DeviceInterfaces.cpp\nLine = 56"},
      {FaultSite::kGetInterfaceDetail, 2,
       u"Exception Assertion!\nFile = .\\DeviceInterfaces.cpp\nLine = 68"},
  };
  testing::EmulationFolder folder(ThreeDrives());
  for (const Case& c : cases) {
    platform::DeviceInfoSet set =
        platform::GetPresentDeviceInterfaces(platform::kGuidDevinterfaceDisk);
    ASSERT_NE(set, nullptr);
    platform::DeviceInterfaceData data{};
    data.cbSize = platform::kDeviceInterfaceDataSize;
    ASSERT_TRUE(platform::EnumDeviceInterface(set, platform::kGuidDevinterfaceDisk, 0, &data));
    platform::ArmFault(c.site, c.nth, false);
    try {
      DeviceInterface entry(set, data);
      ADD_FAILURE() << "no exception";
    } catch (const ProgramException& e) {
      EXPECT_EQ(e.GetText(), WString(c.text));
    }
    platform::DisarmAllFaults();
    platform::DestroyDeviceInfoSet(set);
  }
}

TEST_F(DeviceInterfacesTest, GetDeviceIdOfARejectedHandleIsEmpty) {
  EXPECT_EQ(GetDeviceId(0), WString());
  EXPECT_EQ(GetDeviceId(0xFFFFFFFFu), WString());

  // An id that does not fit the 256-character buffer is not cut: it is
  // not given at all.
  EmulatedDrive longId = UsbStorageDrive("long", "L1");
  longId.instanceId = "USBSTOR\\DISK&" + std::string(300, 'X');
  testing::EmulationFolder folder({longId, UsbStorageDrive("short", "S1")});
  const DeviceInterfaces list(platform::kGuidDevinterfaceDisk);
  ASSERT_EQ(list.GetCount(), 2);
  EXPECT_EQ(GetDeviceId(list.GetAt(0).GetDevInst()), WString());
  EXPECT_NE(GetDeviceId(list.GetAt(1).GetDevInst()), WString());
}

}  // namespace
}  // namespace bridgefw
