// POSIX implementation detail: which device backend answers, read from the
// environment at every call.
#pragma once

#include <string>

namespace bridgefw::platform {

// BRIDGEFW_EMULATION when set and not empty (a native folder path), else
// empty: the real devices answer.
std::string EmulationFolder();

// BRIDGEFW_SYSFS_ROOT when set and not empty, else "/sys".
std::string SysfsRoot();

}  // namespace bridgefw::platform
