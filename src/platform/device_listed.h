// Implementation detail of the device service: enumeration over a list of
// present disks (the POSIX backends, and the emulated drives on every
// platform). The set's records are the platform's own; the caller checks
// handles, size fields of its own making and injected faults first.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/device.h"
#include "platform/text.h"

namespace bridgefw::platform {

struct PresentDisk {
  WString devicePath;
  WString instanceId;
  WString parentId;  // empty: no parent
};

// The disks of an emulation folder, in their order. False, with the last
// error set (kErrorPathNotFound), when the folder cannot be read.
bool ListEmulatedDisks(const std::string& folder, std::vector<PresentDisk>& disks);

struct ListedDeviceSet {
  struct Member {
    WString devicePath;
    uint32_t devInst = 0;
  };
  Guid interfaceClass{};
  std::vector<Member> members;
};

// A snapshot of `disks` for `interfaceClass` (members only for the disk
// class); their ids become device nodes of the process (device_nodes.h).
// Throws std::bad_alloc.
std::unique_ptr<ListedDeviceSet> MakeListedDeviceSet(const Guid& interfaceClass,
                                                     const std::vector<PresentDisk>& disks);

// SetupDiEnumDeviceInterfaces and SetupDiGetDeviceInterfaceDetailW on such
// a set (platform/device.h), the set being valid.
bool EnumListedInterface(const ListedDeviceSet& set, const Guid& interfaceClass,
                         uint32_t memberIndex, DeviceInterfaceData* data);
bool GetListedInterfaceDetail(const ListedDeviceSet& set, const DeviceInterfaceData* data,
                              DeviceInterfaceDetail* detail, uint32_t detailSize,
                              uint32_t* requiredSize, DevInfoData* devInfo);

// CM_Get_Device_IDW, CM_Get_Device_IDA and CM_Get_Parent on the process's
// device nodes.
uint32_t GetNodeInstanceId(uint32_t devInst, WChar* buffer, uint32_t length, uint32_t flags);
uint32_t GetNodeInstanceIdA(uint32_t devInst, char* buffer, uint32_t length, uint32_t flags);
uint32_t GetNodeParent(uint32_t* parent, uint32_t devInst, uint32_t flags);

}  // namespace bridgefw::platform
