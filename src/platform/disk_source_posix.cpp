#include "platform/disk_source_posix.h"

#include <string>

#include "platform/backend_posix.h"
#include "platform/disk_ids_posix.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/sysfs_disks_posix.h"

namespace bridgefw::platform {
namespace {

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
