// POSIX implementation detail: the SCSI disks that Linux lists in sysfs,
// and for each the USB device it hangs off, if any.
#pragma once

#include <string>
#include <vector>

namespace bridgefw::platform {

enum class DiskBus {
  kOther,       // not below a USB mass-storage interface
  kUsbStorage,  // interface driver "usb-storage" (bulk-only transport)
  kUas,         // interface driver "uas" (USB attached SCSI)
};

struct SysfsDisk {
  std::string name;  // "sdb"
  // The SCSI device's inquiry fields as sysfs shows them (padded with blanks).
  std::string vendor;
  std::string model;
  std::string revision;
  // The SCSI address "host:channel:target:lun" (the SCSI device's name).
  std::string hctl;
  DiskBus bus = DiskBus::kOther;
  // The USB device's files (USB disks only); `hasSerial` false when the
  // device has no serial file.
  std::string idVendor;
  std::string idProduct;
  bool hasSerial = false;
  std::string serial;
  std::string usbDeviceName;  // the USB device's sysfs name, e.g. "2-1.4"
};

// The disks /sys/class/block/sd* below `sysfsRoot` without partitions, in
// kernel-name order (shorter names first, then alphabetical: sdz before
// sdaa). A disk whose SCSI device cannot be found is left out. Files of a
// disk that cannot be read read as empty.
std::vector<SysfsDisk> ListSysfsDisks(const std::string& sysfsRoot);

}  // namespace bridgefw::platform
