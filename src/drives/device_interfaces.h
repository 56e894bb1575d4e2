// DeviceInterfaces: a snapshot of the present device interfaces of one
// class, each with its device path and device instance; and GetDeviceId,
// a device instance's id.
//
// Built and read on one thread, within one drive scan.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/device.h"
#include "platform/text.h"

namespace bridgefw {

// One interface. Created only by DeviceInterfaces, which owns it.
class DeviceInterface {
 public:
  // Queries the interface's detail with the two-call size protocol. Raises
  // the assertion report of ".\DeviceInterfaces.cpp" line 56 when the detail
  // record cannot be allocated and line 68 when the second query fails.
  // When the first query does not ask for a buffer, the entry stays
  // without detail: no device path and device instance 0.
  DeviceInterface(platform::DeviceInfoSet set, const platform::DeviceInterfaceData& data);
  DeviceInterface(const DeviceInterface&) = delete;
  DeviceInterface& operator=(const DeviceInterface&) = delete;

  // Whether the detail (device path and device instance) was obtained.
  bool HasDetail() const { return m_detail != nullptr; }
  // A copy of the device path; empty without detail.
  WString GetDevicePath() const;
  uint32_t GetDevInst() const { return m_devInfoData.devInst; }

 private:
  struct DetailDeleter {
    void operator()(platform::DeviceInterfaceDetail* detail) const;
  };

  std::unique_ptr<platform::DeviceInterfaceDetail, DetailDeleter> m_detail;
  uint32_t m_detailSize = 0;
  platform::DevInfoData m_devInfoData{};
};

class DeviceInterfaces {
 public:
  // Enumerates the present interfaces of the class in the platform's order.
  // Never throws: a failure ends the list at the entries built so far.
  explicit DeviceInterfaces(const platform::Guid& interfaceClass);
  virtual ~DeviceInterfaces();
  DeviceInterfaces(const DeviceInterfaces&) = delete;
  DeviceInterfaces& operator=(const DeviceInterfaces&) = delete;

  int32_t GetCount() const;
  // The entry at a 0-based index below GetCount().
  const DeviceInterface& GetAt(int32_t index) const;

 private:
  std::vector<std::unique_ptr<DeviceInterface>> m_entries;
};

// CM_Get_Device_IDW with a buffer of 256 characters: the device instance
// id, or empty when the platform cannot give it.
WString GetDeviceId(uint32_t devInst);

}  // namespace bridgefw
