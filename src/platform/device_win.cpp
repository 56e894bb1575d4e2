// The device service on Windows: the device installation services and the
// configuration manager; with BRIDGEFW_EMULATION set, the emulated drives
// (device_listed.h), chosen at every call as on POSIX.
// windows.h comes before every other system header.
#include <windows.h>

#include <cfgmgr32.h>
#include <setupapi.h>

#include <cstddef>
#include <memory>
#include <new>
#include <vector>

#include "platform/backend.h"
#include "platform/device.h"
#include "platform/device_listed.h"
#include "platform/error.h"
#include "platform/fault.h"
#include "platform/win_text.h"

// An injected fault fails a call as follows:
//   kGetClassDevs        null set, kErrorNotEnoughMemory
//   kEnumDeviceInterface false, kErrorNotEnoughMemory
//   kGetInterfaceDetail  false, kErrorNotEnoughMemory (required size not reported)

namespace bridgefw::platform {

// The platform's records are handed to the system unchanged.
static_assert(sizeof(Guid) == sizeof(GUID));
static_assert(sizeof(DeviceInterfaceData) == sizeof(SP_DEVICE_INTERFACE_DATA));
static_assert(offsetof(DeviceInterfaceData, interfaceClassGuid) ==
              offsetof(SP_DEVICE_INTERFACE_DATA, InterfaceClassGuid));
static_assert(offsetof(DeviceInterfaceData, flags) == offsetof(SP_DEVICE_INTERFACE_DATA, Flags));
static_assert(offsetof(DeviceInterfaceData, reserved) ==
              offsetof(SP_DEVICE_INTERFACE_DATA, Reserved));
static_assert(sizeof(DevInfoData) == sizeof(SP_DEVINFO_DATA));
static_assert(offsetof(DevInfoData, devInst) == offsetof(SP_DEVINFO_DATA, DevInst));
static_assert(kDeviceInterfaceDetailSize == sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W));
static_assert(offsetof(DeviceInterfaceDetail, devicePath) ==
              offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath));
#if defined(__i386__)
static_assert(kDeviceInterfaceDataSize == 28 && kDevInfoDataSize == 28);
#endif

// Either the system's set or an emulated one.
struct DeviceInfoSetObject {
  HDEVINFO system = INVALID_HANDLE_VALUE;
  std::unique_ptr<ListedDeviceSet> listed;
};

namespace {

const GUID* SystemGuid(const Guid& guid) {
  return reinterpret_cast<const GUID*>(&guid);
}

bool Emulated() {
  return !EmulationFolder().empty();
}

}  // namespace

DeviceInfoSet GetPresentDeviceInterfaces(const Guid& interfaceClass) {
  if (ShouldFail(FaultSite::kGetClassDevs)) {
    SetLastErrorCode(kErrorNotEnoughMemory);
    return nullptr;
  }
  try {
    auto set = std::make_unique<DeviceInfoSetObject>();
    const std::string folder = EmulationFolder();
    if (!folder.empty()) {
      std::vector<PresentDisk> disks;
      if (interfaceClass == kGuidDevinterfaceDisk && !ListEmulatedDisks(folder, disks)) {
        return nullptr;
      }
      set->listed = MakeListedDeviceSet(interfaceClass, disks);
      return set.release();
    }
    set->system = ::SetupDiGetClassDevsW(SystemGuid(interfaceClass), nullptr, nullptr,
                                         DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set->system == INVALID_HANDLE_VALUE) return nullptr;
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
  if (set->listed != nullptr)
    return EnumListedInterface(*set->listed, interfaceClass, memberIndex, data);
  return ::SetupDiEnumDeviceInterfaces(set->system, nullptr, SystemGuid(interfaceClass),
                                       memberIndex,
                                       reinterpret_cast<SP_DEVICE_INTERFACE_DATA*>(data)) != 0;
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
  if (set->listed != nullptr) {
    return GetListedInterfaceDetail(*set->listed, data, detail, detailSize, requiredSize, devInfo);
  }
  DWORD required = 0;
  const BOOL ok = ::SetupDiGetDeviceInterfaceDetailW(
      set->system,
      const_cast<SP_DEVICE_INTERFACE_DATA*>(
          reinterpret_cast<const SP_DEVICE_INTERFACE_DATA*>(data)),
      reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(detail), detailSize, &required,
      reinterpret_cast<SP_DEVINFO_DATA*>(devInfo));
  if (requiredSize != nullptr) {
    const DWORD error = ::GetLastError();
    *requiredSize = required < sizeof(DeviceInterfaceDetail)
                        ? static_cast<uint32_t>(sizeof(DeviceInterfaceDetail))
                        : required;
    ::SetLastError(error);
  }
  return ok != 0;
}

bool DestroyDeviceInfoSet(DeviceInfoSet set) {
  if (set == nullptr) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  const bool destroyed = set->listed != nullptr || ::SetupDiDestroyDeviceInfoList(set->system) != 0;
  delete set;
  return destroyed;
}

uint32_t GetDeviceInstanceId(uint32_t devInst, WChar* buffer, uint32_t length, uint32_t flags) {
  if (Emulated()) return GetNodeInstanceId(devInst, buffer, length, flags);
  return ::CM_Get_Device_IDW(devInst, ToWide(buffer), length, flags);
}

uint32_t GetDeviceInstanceIdA(uint32_t devInst, char* buffer, uint32_t length, uint32_t flags) {
  if (Emulated()) return GetNodeInstanceIdA(devInst, buffer, length, flags);
  return ::CM_Get_Device_IDA(devInst, buffer, length, flags);
}

uint32_t GetParentDevice(uint32_t* parent, uint32_t devInst, uint32_t flags) {
  if (Emulated()) return GetNodeParent(parent, devInst, flags);
  if (parent == nullptr) return kCrInvalidPointer;
  DEVINST found = 0;
  const CONFIGRET result = ::CM_Get_Parent(&found, devInst, flags);
  if (result == CR_SUCCESS) *parent = found;
  return result;
}

}  // namespace bridgefw::platform
