#include "drives/tamrin_drive.h"

#include "drives/device_interfaces.h"
#include "platform/device.h"

namespace bridgefw {

TamrinDrive::TamrinDrive(const DeviceInterface& entry)
    : m_devicePath(entry.GetDevicePath()), m_devInst(entry.GetDevInst()) {}

bool TamrinDrive::GetParentDeviceIdA(std::string& id) const {
  return platform::GetParentDeviceIdA(m_devInst, id);
}

}  // namespace bridgefw
