// POSIX implementation detail: the present disks with their device paths
// and ids, from the emulation folder or from sysfs (platform/device.h).
#pragma once

#include <vector>

#include "platform/device_listed.h"

namespace bridgefw::platform {

// False, with the last error set, when the emulation folder is named but
// cannot be read.
bool ListPresentDisks(std::vector<PresentDisk>& disks);

}  // namespace bridgefw::platform
