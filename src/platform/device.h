// Device enumeration: the present device interfaces of a class, their
// device paths and device instances, and the configuration manager's
// queries of a device instance (its id, its parent).
//
// The calls follow the device installation services (SetupDi...) and the
// configuration manager (CM_...): a snapshot set of present interfaces,
// read by member index; each interface's detail (its device path) with the
// two-call size protocol; device instance handles whose id and parent can
// be asked for as long as the process runs.
//
// Records are the platform's own; their layouts match the Windows records,
// and callers set the size fields to the constants below before a query.
// Failures return false/null and set the thread's last error, except the
// configuration-manager calls, which return a CR_ code and leave the last
// error alone.
//
// POSIX backends, chosen at every call:
// - When the environment variable BRIDGEFW_EMULATION is set and not empty,
//   it names an emulation folder (docs/EMULATION.md): the disks, their ids,
//   parents and device paths come from its drive descriptions, in their
//   order. A folder that cannot be read gives no set (kErrorPathNotFound),
//   never the machine's real disks.
// - Otherwise the Linux backend lists the SCSI disks /sys/class/block/sd*
//   (partitions left out) below the sysfs root, "/sys" or the environment
//   variable BRIDGEFW_SYSFS_ROOT when set and not empty, in kernel-name
//   order (sda, sdb, ..., sdz, sdaa). A disk's device path is "\dev\<name>"
//   in core form; its id is the one Windows would give (docs/DRIVES.md).
// Only the disk class (kGuidDevinterfaceDisk) has members; every other
// class gives an empty set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/text.h"

namespace bridgefw::platform {

struct Guid {
  uint32_t data1;
  uint16_t data2;
  uint16_t data3;
  uint8_t data4[8];
};

bool operator==(const Guid& a, const Guid& b);
inline bool operator!=(const Guid& a, const Guid& b) {
  return !(a == b);
}

// GUID_DEVINTERFACE_DISK {53F56307-B6BF-11D0-94F2-00A0C91EFB8B}.
constexpr Guid kGuidDevinterfaceDisk = {
    0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
// The disk drives' device setup class {4D36E967-E325-11CE-BFC1-08002BE10318}.
constexpr Guid kGuidDiskDriveSetupClass = {
    0x4D36E967, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

// SP_DEVICE_INTERFACE_DATA.
struct DeviceInterfaceData {
  uint32_t cbSize;
  Guid interfaceClassGuid;
  uint32_t flags;
  uintptr_t reserved;
};

// SP_DEVINFO_DATA: `devInst` is the device instance handle.
struct DevInfoData {
  uint32_t cbSize;
  Guid classGuid;
  uint32_t devInst;
  uintptr_t reserved;
};

// SP_DEVICE_INTERFACE_DETAIL_DATA_W: a size field followed by the device
// path, a NUL-terminated text that fills the rest of the record (the record
// is allocated with the size that the first detail query reports).
struct DeviceInterfaceDetail {
  uint32_t cbSize;
  WChar devicePath[1];
};

constexpr uint32_t kDeviceInterfaceDataSize = sizeof(DeviceInterfaceData);  // 28 on 32-bit
constexpr uint32_t kDevInfoDataSize = sizeof(DevInfoData);                  // 28 on 32-bit
// The detail record's fixed part: its size field and one character.
constexpr uint32_t kDeviceInterfaceDetailSize = sizeof(void*) == 4 ? 6 : 8;

constexpr uint32_t kErrorNoMoreItems = 259;
constexpr uint32_t kErrorInvalidUserBuffer = 1784;

struct DeviceInfoSetObject;
using DeviceInfoSet = DeviceInfoSetObject*;

// SetupDiGetClassDevsW(class, no enumerator, no window, DIGCF_PRESENT |
// DIGCF_DEVICEINTERFACE): a snapshot of the present interfaces of the
// class. Null on failure (the Windows INVALID_HANDLE_VALUE).
DeviceInfoSet GetPresentDeviceInterfaces(const Guid& interfaceClass);

// SetupDiEnumDeviceInterfaces(set, no device filter, class, index, data):
// fills `data` (whose cbSize must be kDeviceInterfaceDataSize) for member
// `memberIndex`. False with kErrorNoMoreItems past the last member,
// kErrorInvalidUserBuffer for a wrong size field, kErrorInvalidHandle for a
// null set.
bool EnumDeviceInterface(DeviceInfoSet set, const Guid& interfaceClass, uint32_t memberIndex,
                         DeviceInterfaceData* data);

// SetupDiGetDeviceInterfaceDetailW(set, data, detail, detailSize,
// requiredSize, devInfo). `requiredSize` (optional) always receives the
// size the detail record needs (never less than sizeof(DeviceInterfaceDetail)).
// With no detail and a size of 0: false with kErrorInsufficientBuffer.
// With a detail record (cbSize kDeviceInterfaceDetailSize) of at least the
// required size: fills the device path and, when given, `devInfo` (cbSize
// kDevInfoDataSize), and returns true. Otherwise false with
// kErrorInsufficientBuffer, kErrorInvalidUserBuffer, kErrorInvalidParameter
// or kErrorInvalidHandle.
bool GetDeviceInterfaceDetail(DeviceInfoSet set, const DeviceInterfaceData* data,
                              DeviceInterfaceDetail* detail, uint32_t detailSize,
                              uint32_t* requiredSize, DevInfoData* devInfo);

// SetupDiDestroyDeviceInfoList.
bool DestroyDeviceInfoSet(DeviceInfoSet set);

// Configuration-manager results.
constexpr uint32_t kCrSuccess = 0x00;
constexpr uint32_t kCrInvalidPointer = 0x03;
constexpr uint32_t kCrInvalidFlag = 0x04;
constexpr uint32_t kCrInvalidDevnode = 0x05;
constexpr uint32_t kCrNoSuchDevnode = 0x0D;
constexpr uint32_t kCrFailure = 0x13;
constexpr uint32_t kCrBufferSmall = 0x1A;

constexpr uint32_t kMaxDeviceIdLength = 200;

// CM_Get_Device_IDW(devInst, buffer, length, flags): the device instance
// id, NUL-terminated. kCrInvalidDevnode for a handle that was never given
// out (0 included), kCrInvalidFlag for flags other than 0,
// kCrInvalidPointer for a null buffer or a length of 0. An id that does
// not fit with its NUL gives kCrBufferSmall; the buffer then holds the
// first length-1 characters and a NUL.
uint32_t GetDeviceInstanceId(uint32_t devInst, WChar* buffer, uint32_t length, uint32_t flags);

// CM_Get_Device_IDA: the same as 8-bit text; a character above U+007F
// becomes '?'.
uint32_t GetDeviceInstanceIdA(uint32_t devInst, char* buffer, uint32_t length, uint32_t flags);

// CM_Get_Parent(parent, devInst, flags): the device instance of the device
// that `devInst` hangs off (for a USB disk, its USB device). `parent` is
// left unchanged on failure: kCrInvalidDevnode for an unknown handle,
// kCrNoSuchDevnode when the device has no parent that the platform knows.
uint32_t GetParentDevice(uint32_t* parent, uint32_t devInst, uint32_t flags);

// CM_Get_Parent followed by CM_Get_Device_IDA of the parent: the parent's
// id as 8-bit text. False (and `id` emptied) when either query fails.
bool GetParentDeviceIdA(uint32_t devInst, std::string& id);

}  // namespace bridgefw::platform
