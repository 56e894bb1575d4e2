#include "platform/backend_posix.h"

#include <cstdlib>

namespace bridgefw::platform {
namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

}  // namespace

std::string EmulationFolder() {
  return Variable("BRIDGEFW_EMULATION");
}

std::string SysfsRoot() {
  const std::string root = Variable("BRIDGEFW_SYSFS_ROOT");
  return root.empty() ? std::string("/sys") : root;
}

}  // namespace bridgefw::platform
