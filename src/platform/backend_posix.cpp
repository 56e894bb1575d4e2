#include "platform/backend_posix.h"

#include "platform/environment.h"

namespace bridgefw::platform {

std::string SysfsRoot() {
  const std::string root = EnvironmentValue("BRIDGEFW_SYSFS_ROOT");
  return root.empty() ? std::string("/sys") : root;
}

}  // namespace bridgefw::platform
