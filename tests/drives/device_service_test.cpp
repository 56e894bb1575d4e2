// The platform's device enumeration service over the emulated backend: the
// detail size protocol, the configuration-manager queries and their results.
#include "platform/device.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "emulation/emulated_drive.h"
#include "platform/error.h"
#include "support/emulation.h"

namespace bridgefw::platform {
namespace {

using emulation::UsbStorageDrive;

class DeviceServiceTest : public ::testing::Test {
 protected:
  DeviceServiceTest() : m_folder(Drives()) {
    m_set = GetPresentDeviceInterfaces(kGuidDevinterfaceDisk);
  }
  ~DeviceServiceTest() override {
    if (m_set != nullptr) DestroyDeviceInfoSet(m_set);
  }

  static std::vector<emulation::EmulatedDrive> Drives() {
    emulation::EmulatedDrive orphan = UsbStorageDrive("orphan", "O1");
    orphan.parentId.clear();
    orphan.instanceId = "USBSTOR\\DISK&VEN_\xC3\xA9T\\O1&0";  // "é" in UTF-8
    return {UsbStorageDrive("first", "F1"), orphan};
  }

  DeviceInterfaceData Member(uint32_t index) {
    DeviceInterfaceData data{};
    data.cbSize = kDeviceInterfaceDataSize;
    EXPECT_TRUE(EnumDeviceInterface(m_set, kGuidDevinterfaceDisk, index, &data));
    return data;
  }

  // The device instance of member `index`, through the detail protocol.
  uint32_t DevInstOf(uint32_t index) {
    const DeviceInterfaceData data = Member(index);
    uint32_t required = 0;
    GetDeviceInterfaceDetail(m_set, &data, nullptr, 0, &required, nullptr);
    std::vector<unsigned char> storage(required);
    auto* detail = new (storage.data()) DeviceInterfaceDetail{};
    detail->cbSize = kDeviceInterfaceDetailSize;
    DevInfoData info{};
    info.cbSize = kDevInfoDataSize;
    EXPECT_TRUE(GetDeviceInterfaceDetail(m_set, &data, detail, required, nullptr, &info));
    return info.devInst;
  }

  testing::EmulationFolder m_folder;
  DeviceInfoSet m_set = nullptr;
};

TEST_F(DeviceServiceTest, RecordsHaveTheWindowsSizes) {
  if (sizeof(void*) == 4) {
    EXPECT_EQ(kDeviceInterfaceDataSize, 28u);
    EXPECT_EQ(kDevInfoDataSize, 28u);
    EXPECT_EQ(kDeviceInterfaceDetailSize, 6u);
  } else {
    EXPECT_EQ(kDeviceInterfaceDataSize, 32u);
    EXPECT_EQ(kDevInfoDataSize, 32u);
    EXPECT_EQ(kDeviceInterfaceDetailSize, 8u);
  }
}

TEST_F(DeviceServiceTest, EnumerationEndsWithNoMoreItemsAndChecksTheSizeField) {
  ASSERT_NE(m_set, nullptr);
  DeviceInterfaceData data{};
  data.cbSize = kDeviceInterfaceDataSize;
  EXPECT_TRUE(EnumDeviceInterface(m_set, kGuidDevinterfaceDisk, 1, &data));
  EXPECT_FALSE(EnumDeviceInterface(m_set, kGuidDevinterfaceDisk, 2, &data));
  EXPECT_EQ(GetLastErrorCode(), kErrorNoMoreItems);
  data.cbSize = 1;
  EXPECT_FALSE(EnumDeviceInterface(m_set, kGuidDevinterfaceDisk, 0, &data));
  EXPECT_EQ(GetLastErrorCode(), kErrorInvalidUserBuffer);
  EXPECT_FALSE(EnumDeviceInterface(nullptr, kGuidDevinterfaceDisk, 0, &data));
  EXPECT_EQ(GetLastErrorCode(), kErrorInvalidHandle);
}

TEST_F(DeviceServiceTest, DetailQueryFollowsTheTwoCallSizeProtocol) {
  ASSERT_NE(m_set, nullptr);
  const DeviceInterfaceData data = Member(0);
  const WString path = WidenUtf8(emulation::DefaultDevicePath("first"));

  uint32_t required = 0;
  EXPECT_FALSE(GetDeviceInterfaceDetail(m_set, &data, nullptr, 0, &required, nullptr));
  EXPECT_EQ(GetLastErrorCode(), kErrorInsufficientBuffer);
  EXPECT_EQ(required, offsetof(DeviceInterfaceDetail, devicePath) + (path.size() + 1) * 2);

  std::vector<unsigned char> storage(required, 0xEE);
  auto* detail = new (storage.data()) DeviceInterfaceDetail{};
  DevInfoData info{};
  info.cbSize = kDevInfoDataSize;

  detail->cbSize = 4;  // a wrong size field is refused
  EXPECT_FALSE(GetDeviceInterfaceDetail(m_set, &data, detail, required, nullptr, &info));
  EXPECT_EQ(GetLastErrorCode(), kErrorInvalidUserBuffer);

  detail->cbSize = kDeviceInterfaceDetailSize;
  EXPECT_FALSE(GetDeviceInterfaceDetail(m_set, &data, detail, required - 2, nullptr, &info));
  EXPECT_EQ(GetLastErrorCode(), kErrorInsufficientBuffer);

  ASSERT_TRUE(GetDeviceInterfaceDetail(m_set, &data, detail, required, nullptr, &info));
  WString stored((required - offsetof(DeviceInterfaceDetail, devicePath)) / 2, u'?');
  std::memcpy(&stored[0], storage.data() + offsetof(DeviceInterfaceDetail, devicePath),
              stored.size() * 2);
  EXPECT_EQ(stored, path + u'\0');
  EXPECT_EQ(info.classGuid, kGuidDiskDriveSetupClass);
  EXPECT_NE(info.devInst, 0u);
}

TEST_F(DeviceServiceTest, DeviceIdAndParentQueries) {
  ASSERT_NE(m_set, nullptr);
  const uint32_t first = DevInstOf(0);
  const uint32_t orphan = DevInstOf(1);

  WChar id[256];
  ASSERT_EQ(GetDeviceInstanceId(first, id, 256, 0), kCrSuccess);
  EXPECT_EQ(WString(id), u"USBSTOR\\DISK&VEN_ZT&PROD_BRIDGE&REV_0100\\first&0");

  uint32_t parent = 0;
  ASSERT_EQ(GetParentDevice(&parent, first, 0), kCrSuccess);
  ASSERT_EQ(GetDeviceInstanceId(parent, id, 256, 0), kCrSuccess);
  EXPECT_EQ(WString(id), u"USB\\VID_2B4E&PID_1A2B\\first");

  std::string narrow;
  EXPECT_TRUE(GetParentDeviceIdA(first, narrow));
  EXPECT_EQ(narrow, "USB\\VID_2B4E&PID_1A2B\\first");

  uint32_t untouched = 77;
  EXPECT_EQ(GetParentDevice(&untouched, orphan, 0), kCrNoSuchDevnode);
  EXPECT_EQ(untouched, 77u);
  EXPECT_FALSE(GetParentDeviceIdA(orphan, narrow));
  EXPECT_EQ(narrow, "");

  // 8-bit text: a character above 7Fh becomes '?'.
  char idA[64];
  ASSERT_EQ(GetDeviceInstanceIdA(orphan, idA, sizeof idA, 0), kCrSuccess);
  EXPECT_EQ(std::string(idA), "USBSTOR\\DISK&VEN_?T\\O1&0");
}

TEST_F(DeviceServiceTest, ConfigurationManagerFailures) {
  ASSERT_NE(m_set, nullptr);
  const uint32_t first = DevInstOf(0);
  WChar id[256];
  uint32_t parent = 0;
  EXPECT_EQ(GetDeviceInstanceId(0, id, 256, 0), kCrInvalidDevnode);
  EXPECT_EQ(GetDeviceInstanceId(0xFFFFFF, id, 256, 0), kCrInvalidDevnode);
  EXPECT_EQ(GetDeviceInstanceId(first, id, 256, 1), kCrInvalidFlag);
  EXPECT_EQ(GetDeviceInstanceId(first, nullptr, 256, 0), kCrInvalidPointer);
  EXPECT_EQ(GetParentDevice(&parent, 0, 0), kCrInvalidDevnode);
  EXPECT_EQ(GetParentDevice(nullptr, first, 0), kCrInvalidPointer);

  // Too small a buffer: the start of the id and a NUL.
  char small[8];
  EXPECT_EQ(GetDeviceInstanceIdA(first, small, sizeof small, 0), kCrBufferSmall);
  EXPECT_EQ(std::string(small), "USBSTOR");
}

TEST_F(DeviceServiceTest, HandlesStayValidAcrossEnumerations) {
  ASSERT_NE(m_set, nullptr);
  const uint32_t before = DevInstOf(0);
  DestroyDeviceInfoSet(m_set);
  m_set = GetPresentDeviceInterfaces(kGuidDevinterfaceDisk);
  ASSERT_NE(m_set, nullptr);
  EXPECT_EQ(DevInstOf(0), before);
  // The handle keeps naming its id after the set is gone.
  DestroyDeviceInfoSet(m_set);
  m_set = nullptr;
  WChar id[256];
  EXPECT_EQ(GetDeviceInstanceId(before, id, 256, 0), kCrSuccess);
}

}  // namespace
}  // namespace bridgefw::platform
