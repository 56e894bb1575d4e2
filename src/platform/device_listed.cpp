#include "platform/device_listed.h"

#include <cstddef>
#include <cstring>

#include "emulation/emulation_folder.h"
#include "platform/device_nodes.h"
#include "platform/error.h"

namespace bridgefw::platform {
namespace {

constexpr size_t kPathOffset = offsetof(DeviceInterfaceDetail, devicePath);

// The member that an interface record names (its reserved field holds the
// member index + 1), or null.
const ListedDeviceSet::Member* MemberOf(const ListedDeviceSet& set,
                                        const DeviceInterfaceData& data) {
  if (data.reserved == 0 || data.reserved > set.members.size()) return nullptr;
  return &set.members[data.reserved - 1];
}

uint32_t RequiredDetailSize(const WString& path) {
  const size_t size = kPathOffset + (path.size() + 1) * sizeof(WChar);
  return static_cast<uint32_t>(size < sizeof(DeviceInterfaceDetail) ? sizeof(DeviceInterfaceDetail)
                                                                    : size);
}

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

bool ListEmulatedDisks(const std::string& folder, std::vector<PresentDisk>& disks) {
  std::vector<emulation::EmulatedDrive> drives;
  std::string reason;
  if (!emulation::ReadEmulationFolder(folder, drives, &reason)) {
    DebugTrace(WidenUtf8("bridgefw emulation: " + reason));
    SetLastErrorCode(kErrorPathNotFound);
    return false;
  }
  for (const emulation::EmulatedDrive& drive : drives) {
    disks.push_back(PresentDisk{WidenUtf8(drive.devicePath), WidenUtf8(drive.instanceId),
                                WidenUtf8(drive.parentId)});
  }
  return true;
}

std::unique_ptr<ListedDeviceSet> MakeListedDeviceSet(const Guid& interfaceClass,
                                                     const std::vector<PresentDisk>& disks) {
  auto set = std::make_unique<ListedDeviceSet>();
  set->interfaceClass = interfaceClass;
  if (interfaceClass != kGuidDevinterfaceDisk) return set;
  for (const PresentDisk& disk : disks) {
    const uint32_t devInst = InternDeviceNode(disk.instanceId);
    SetDeviceNodeParent(devInst, disk.parentId.empty() ? 0 : InternDeviceNode(disk.parentId));
    set->members.push_back({disk.devicePath, devInst});
  }
  return set;
}

bool EnumListedInterface(const ListedDeviceSet& set, const Guid& interfaceClass,
                         uint32_t memberIndex, DeviceInterfaceData* data) {
  if (data == nullptr || data->cbSize != kDeviceInterfaceDataSize) {
    SetLastErrorCode(kErrorInvalidUserBuffer);
    return false;
  }
  if (interfaceClass != set.interfaceClass || memberIndex >= set.members.size()) {
    SetLastErrorCode(kErrorNoMoreItems);
    return false;
  }
  data->interfaceClassGuid = interfaceClass;
  data->flags = 1;  // SPINT_ACTIVE
  data->reserved = uintptr_t{memberIndex} + 1;
  return true;
}

bool GetListedInterfaceDetail(const ListedDeviceSet& set, const DeviceInterfaceData* data,
                              DeviceInterfaceDetail* detail, uint32_t detailSize,
                              uint32_t* requiredSize, DevInfoData* devInfo) {
  if (data == nullptr || data->cbSize != kDeviceInterfaceDataSize) {
    SetLastErrorCode(kErrorInvalidUserBuffer);
    return false;
  }
  const ListedDeviceSet::Member* member = MemberOf(set, *data);
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

uint32_t GetNodeInstanceId(uint32_t devInst, WChar* buffer, uint32_t length, uint32_t flags) {
  WString id;
  const uint32_t result = LookUpId(devInst, length, flags, buffer, id);
  if (result != kCrSuccess) return result;
  return CopyId(id, buffer, length, [](WChar c) { return c; });
}

uint32_t GetNodeInstanceIdA(uint32_t devInst, char* buffer, uint32_t length, uint32_t flags) {
  WString id;
  const uint32_t result = LookUpId(devInst, length, flags, buffer, id);
  if (result != kCrSuccess) return result;
  return CopyId(id, buffer, length, [](WChar c) { return c < 0x80 ? static_cast<char>(c) : '?'; });
}

uint32_t GetNodeParent(uint32_t* parent, uint32_t devInst, uint32_t flags) {
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
