// POSIX implementation detail: which device backend answers, read from the
// environment at every call.
#pragma once

#include <string>

#include "platform/backend.h"

namespace bridgefw::platform {

// BRIDGEFW_SYSFS_ROOT when set and not empty, else "/sys".
std::string SysfsRoot();

}  // namespace bridgefw::platform
