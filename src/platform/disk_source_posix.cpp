#include "platform/disk_source_posix.h"

#include <string>

#include "emulation/emulation_folder.h"
#include "platform/backend_posix.h"
#include "platform/disk_ids_posix.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/sysfs_disks_posix.h"

namespace bridgefw::platform {
namespace {

bool ListEmulatedDisks(const std::string& folder, std::vector<PresentDisk>& disks) {
  std::vector<emulation::EmulatedDrive> drives;
  std::string reason;
  if (!emulation::ReadEmulationFolder(folder, drives, &reason)) {
    DebugTrace(WidenUtf8("bridgefw emulation: " + reason));
    SetLastErrorCode(kErrorPathNotFound);
    return false;
  }
  for (const emulation::EmulatedDrive& drive : drives) {
    disks.push_back(PresentDisk{WidenUtf8(drive.devicePath), WidenUtf8(drive.instanceId),
                                WidenUtf8(drive.parentId)});
  }
  return true;
}

void ListSysfsBackedDisks(std::vector<PresentDisk>& disks) {
  for (const SysfsDisk& disk : ListSysfsDisks(SysfsRoot())) {
    const DiskIds ids = ComposeDiskIds(disk);
    disks.push_back(PresentDisk{CorePath("/dev/" + disk.name), WidenUtf8(ids.instanceId),
                                WidenUtf8(ids.parentId)});
  }
}

}  // namespace

bool ListPresentDisks(std::vector<PresentDisk>& disks) {
  disks.clear();
  const std::string folder = EmulationFolder();
  if (!folder.empty()) return ListEmulatedDisks(folder, disks);
  ListSysfsBackedDisks(disks);
  return true;
}

}  // namespace bridgefw::platform
