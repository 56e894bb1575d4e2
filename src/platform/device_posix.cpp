#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "platform/device.h"
#include "platform/device_nodes_posix.h"
#include "platform/disk_source_posix.h"
#include "platform/error.h"
#include "platform/fault.h"

// An injected fault fails a call as follows:
//   kGetClassDevs        null set, kErrorNotEnoughMemory
//   kEnumDeviceInterface false, kErrorNotEnoughMemory
//   kGetInterfaceDetail  false, kErrorNotEnoughMemory (required size not reported)

namespace bridgefw::platform {

struct DeviceInfoSetObject {
  struct Member {
    WString devicePath;
    uint32_t devInst = 0;
  };
  Guid interfaceClass{};
  std::vector<Member> members;
};

namespace {

constexpr size_t kPathOffset = offsetof(DeviceInterfaceDetail, devicePath);

// The member that an interface record names (its reserved field holds the
// member index + 1), or null.
const DeviceInfoSetObject::Member* MemberOf(DeviceInfoSet set, const DeviceInterfaceData& data) {
  if (data.reserved == 0 || data.reserved > set->members.size()) return nullptr;
  return &set->members[data.reserved - 1];
}

uint32_t RequiredDetailSize(const WString& path) {
  const size_t size = kPathOffset + (path.size() + 1) * sizeof(WChar);
  return static_cast<uint32_t>(size < sizeof(DeviceInterfaceDetail) ? sizeof(DeviceInterfaceDetail)
                                                                    : size);
}

void FillSet(DeviceInfoSetObject& set, const std::vector<PresentDisk>& disks) {
  for (const PresentDisk& disk : disks) {
    const uint32_t devInst = InternDeviceNode(disk.instanceId);
    SetDeviceNodeParent(devInst, disk.parentId.empty() ? 0 : InternDeviceNode(disk.parentId));
    set.members.push_back({disk.devicePath, devInst});
  }
}

}  // namespace

DeviceInfoSet GetPresentDeviceInterfaces(const Guid& interfaceClass) {
  if (ShouldFail(FaultSite::kGetClassDevs)) {
    SetLastErrorCode(kErrorNotEnoughMemory);
    return nullptr;
  }
  try {
    auto set = std::make_unique<DeviceInfoSetObject>();
    set->interfaceClass = interfaceClass;
    if (interfaceClass == kGuidDevinterfaceDisk) {
      std::vector<PresentDisk> disks;
      if (!ListPresentDisks(disks)) return nullptr;
      FillSet(*set, disks);
    }
    return set.release();
  } catch (const std::bad_alloc&) {
    SetLastErrorCode(kErrorNotEnoughMemory);
    return nullptr;
  }
}

bool EnumDeviceInterface(DeviceInfoSet set, const Guid& interfaceClass, uint32_t memberIndex,
                         DeviceInterfaceData* data) {
  if (ShouldFail(FaultSite::kEnumDeviceInterface)) {
    SetLastErrorCode(kErrorNotEnoughMemory);
    return false;
  }
  if (set == nullptr) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  if (data == nullptr || data->cbSize != kDeviceInterfaceDataSize) {
    SetLastErrorCode(kErrorInvalidUserBuffer);
    return false;
  }
  if (interfaceClass != set->interfaceClass || memberIndex >= set->members.size()) {
    SetLastErrorCode(kErrorNoMoreItems);
    return false;
  }
  data->interfaceClassGuid = interfaceClass;
  data->flags = 1;  // SPINT_ACTIVE
  data->reserved = uintptr_t{memberIndex} + 1;
  return true;
}

bool GetDeviceInterfaceDetail(DeviceInfoSet set, const DeviceInterfaceData* data,
                              DeviceInterfaceDetail* detail, uint32_t detailSize,
                              uint32_t* requiredSize, DevInfoData* devInfo) {
  if (ShouldFail(FaultSite::kGetInterfaceDetail)) {
    SetLastErrorCode(kErrorNotEnoughMemory);
    return false;
  }
  if (set == nullptr) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  if (data == nullptr || data->cbSize != kDeviceInterfaceDataSize) {
    SetLastErrorCode(kErrorInvalidUserBuffer);
    return false;
  }
  const DeviceInfoSetObject::Member* member = MemberOf(set, *data);
  if (member == nullptr) {
    SetLastErrorCode(kErrorInvalidParameter);
    return false;
  }
  const uint32_t required = RequiredDetailSize(member->devicePath);
  if (requiredSize != nullptr) *requiredSize = required;
  if (detail == nullptr) {
    SetLastErrorCode(detailSize == 0 ? kErrorInsufficientBuffer : kErrorInvalidUserBuffer);
    return false;
  }
  if (detail->cbSize != kDeviceInterfaceDetailSize ||
      (devInfo != nullptr && devInfo->cbSize != kDevInfoDataSize)) {
    SetLastErrorCode(kErrorInvalidUserBuffer);
    return false;
  }
  if (detailSize < required) {
    SetLastErrorCode(kErrorInsufficientBuffer);
    return false;
  }
  // The path and its NUL fill the record behind the size field.
  std::vector<WChar> path(member->devicePath.begin(), member->devicePath.end());
  path.push_back(0);
  std::memcpy(reinterpret_cast<unsigned char*>(detail) + kPathOffset, path.data(),
              path.size() * sizeof(WChar));
  if (devInfo != nullptr) {
    devInfo->classGuid = kGuidDiskDriveSetupClass;
    devInfo->devInst = member->devInst;
    devInfo->reserved = 0;
  }
  return true;
}

bool DestroyDeviceInfoSet(DeviceInfoSet set) {
  if (set == nullptr) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  delete set;
  return true;
}

namespace {

// The id of a device node for the two CM_Get_Device_ID forms.
uint32_t LookUpId(uint32_t devInst, uint32_t length, uint32_t flags, const void* buffer,
                  WString& id) {
  if (flags != 0) return kCrInvalidFlag;
  uint32_t parent = 0;
  if (!LookUpDeviceNode(devInst, id, parent)) return kCrInvalidDevnode;
  if (buffer == nullptr || length == 0) return kCrInvalidPointer;
  return kCrSuccess;
}

template <typename Char, typename Convert>
uint32_t CopyId(const WString& id, Char* buffer, uint32_t length, Convert convert) {
  const size_t count = id.size() < length ? id.size() : length - 1;
  for (size_t i = 0; i < count; ++i) buffer[i] = convert(id[i]);
  buffer[count] = 0;
  return count == id.size() ? kCrSuccess : kCrBufferSmall;
}

}  // namespace

uint32_t GetDeviceInstanceId(uint32_t devInst, WChar* buffer, uint32_t length, uint32_t flags) {
  WString id;
  const uint32_t result = LookUpId(devInst, length, flags, buffer, id);
  if (result != kCrSuccess) return result;
  return CopyId(id, buffer, length, [](WChar c) { return c; });
}

uint32_t GetDeviceInstanceIdA(uint32_t devInst, char* buffer, uint32_t length, uint32_t flags) {
  WString id;
  const uint32_t result = LookUpId(devInst, length, flags, buffer, id);
  if (result != kCrSuccess) return result;
  return CopyId(id, buffer, length, [](WChar c) { return c < 0x80 ? static_cast<char>(c) : '?'; });
}

uint32_t GetParentDevice(uint32_t* parent, uint32_t devInst, uint32_t flags) {
  if (parent == nullptr) return kCrInvalidPointer;
  if (flags != 0) return kCrInvalidFlag;
  WString id;
  uint32_t found = 0;
  if (!LookUpDeviceNode(devInst, id, found)) return kCrInvalidDevnode;
  if (found == 0) return kCrNoSuchDevnode;
  *parent = found;
  return kCrSuccess;
}

}  // namespace bridgefw::platform
