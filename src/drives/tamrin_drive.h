// TamrinDrive: the record of one discovered drive, owned by the drive
// manager and valid until its next Refresh or its destruction.
#pragma once

#include <cstdint>
#include <string>

#include "platform/text.h"

namespace bridgefw {

class DeviceInterface;

class TamrinDrive {
 public:
  explicit TamrinDrive(const DeviceInterface& entry);
  TamrinDrive(const TamrinDrive&) = delete;
  TamrinDrive& operator=(const TamrinDrive&) = delete;

  // The parent device's instance id as 8-bit text (CM_Get_Parent, then
  // CM_Get_Device_IDA); false and empty when either query fails.
  bool GetParentDeviceIdA(std::string& id) const;

  WString m_devicePath;  // the name by which the disk is opened
  uint32_t m_devInst;    // the disk's device instance
};

}  // namespace bridgefw
