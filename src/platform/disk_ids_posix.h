// POSIX implementation detail: the device instance ids that Windows would
// give a disk found in sysfs, and its parent's (docs/DRIVES.md).
#pragma once

#include <cstddef>
#include <string>

#include "platform/sysfs_disks_posix.h"

namespace bridgefw::platform {

struct DiskIds {
  std::string instanceId;
  std::string parentId;  // empty: no parent
};

DiskIds ComposeDiskIds(const SysfsDisk& disk);

// An inquiry field as an id part: at most `width` characters, trailing
// blanks removed, letters in upper case, and every character at or below
// 20h, at or above 7Fh, and every comma replaced by '_'.
std::string IdField(const std::string& raw, size_t width);

// A USB serial number that can stand in an id: not empty, and no
// character at or below 20h, at or above 7Fh, or a comma.
bool IsUsableUsbSerial(const std::string& serial);

}  // namespace bridgefw::platform
