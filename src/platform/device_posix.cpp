// The device service for POSIX: every backend gives a list of present
// disks (disk_source_posix.h), enumerated by device_listed.h.
#include <memory>
#include <new>
#include <vector>

#include "platform/device.h"
#include "platform/device_listed.h"
#include "platform/disk_source_posix.h"
#include "platform/error.h"
#include "platform/fault.h"

// An injected fault fails a call as follows:
//   kGetClassDevs        null set, kErrorNotEnoughMemory
//   kEnumDeviceInterface false, kErrorNotEnoughMemory
//   kGetInterfaceDetail  false, kErrorNotEnoughMemory (required size not reported)

namespace bridgefw::platform {

struct DeviceInfoSetObject {
  std::unique_ptr<ListedDeviceSet> listed;
};

DeviceInfoSet GetPresentDeviceInterfaces(const Guid& interfaceClass) {
  if (ShouldFail(FaultSite::kGetClassDevs)) {
    SetLastErrorCode(kErrorNotEnoughMemory);
    return nullptr;
  }
  try {
    auto set = std::make_unique<DeviceInfoSetObject>();
    std::vector<PresentDisk> disks;
    if (interfaceClass == kGuidDevinterfaceDisk && !ListPresentDisks(disks)) return nullptr;
    set->listed = MakeListedDeviceSet(interfaceClass, disks);
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
  return EnumListedInterface(*set->listed, interfaceClass, memberIndex, data);
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
  return GetListedInterfaceDetail(*set->listed, data, detail, detailSize, requiredSize, devInfo);
}

bool DestroyDeviceInfoSet(DeviceInfoSet set) {
  if (set == nullptr) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  delete set;
  return true;
}

uint32_t GetDeviceInstanceId(uint32_t devInst, WChar* buffer, uint32_t length, uint32_t flags) {
  return GetNodeInstanceId(devInst, buffer, length, flags);
}

uint32_t GetDeviceInstanceIdA(uint32_t devInst, char* buffer, uint32_t length, uint32_t flags) {
  return GetNodeInstanceIdA(devInst, buffer, length, flags);
}

uint32_t GetParentDevice(uint32_t* parent, uint32_t devInst, uint32_t flags) {
  return GetNodeParent(parent, devInst, flags);
}

}  // namespace bridgefw::platform
