// The parts of the device service that every platform shares.
#include <cstring>

#include "platform/device.h"

namespace bridgefw::platform {

bool operator==(const Guid& a, const Guid& b) {
  return a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3 &&
         std::memcmp(a.data4, b.data4, sizeof a.data4) == 0;
}

bool GetParentDeviceIdA(uint32_t devInst, std::string& id) {
  id.clear();
  uint32_t parent = 0;
  if (GetParentDevice(&parent, devInst, 0) != kCrSuccess) return false;
  char buffer[kMaxDeviceIdLength + 1] = {};
  if (GetDeviceInstanceIdA(parent, buffer, sizeof buffer, 0) != kCrSuccess) return false;
  id = buffer;
  return true;
}

}  // namespace bridgefw::platform
