#include "platform/sysfs_disks_posix.h"

#include <dirent.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace bridgefw::platform {
namespace {

// Far more than any real device tree is deep.
constexpr int kMaxWalkDepth = 64;

bool Exists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

// A sysfs attribute without its line end.
std::string ReadAttribute(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

std::string CanonicalPath(const std::string& path) {
  char* resolved = realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return {};
  std::string result(resolved);
  std::free(resolved);
  return result;
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Parent(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

// The driver bound to a device directory: the last component of its
// "driver" link.
std::string DriverName(const std::string& deviceDir) {
  char target[PATH_MAX];
  const ssize_t n = readlink((deviceDir + "/driver").c_str(), target, sizeof target - 1);
  if (n <= 0) return {};
  return BaseName(std::string(target, static_cast<size_t>(n)));
}

std::vector<std::string> BlockDiskNames(const std::string& classBlock) {
  std::vector<std::string> names;
  DIR* dir = opendir(classBlock.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.size() <= 2 || name.compare(0, 2, "sd") != 0) continue;
    if (Exists(classBlock + "/" + name + "/partition")) continue;
    names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
  });
  return names;
}

// Walks up from the SCSI device to the first USB mass-storage interface;
// its parent directory is the USB device.
void FindUsbDevice(const std::string& scsiDevice, const std::string& devicesRoot, SysfsDisk& disk) {
  std::string dir = Parent(scsiDevice);
  for (int depth = 0; depth < kMaxWalkDepth; ++depth) {
    if (dir.size() <= devicesRoot.size() || dir.compare(0, devicesRoot.size(), devicesRoot) != 0) {
      return;
    }
    if (Exists(dir + "/bInterfaceNumber")) {
      const std::string driver = DriverName(dir);
      if (driver == "usb-storage" || driver == "uas") {
        disk.bus = driver == "uas" ? DiskBus::kUas : DiskBus::kUsbStorage;
        const std::string usbDevice = Parent(dir);
        disk.usbDeviceName = BaseName(usbDevice);
        disk.idVendor = ReadAttribute(usbDevice + "/idVendor");
        disk.idProduct = ReadAttribute(usbDevice + "/idProduct");
        disk.hasSerial = Exists(usbDevice + "/serial");
        if (disk.hasSerial) disk.serial = ReadAttribute(usbDevice + "/serial");
        return;
      }
    }
    dir = Parent(dir);
  }
}

}  // namespace

std::vector<SysfsDisk> ListSysfsDisks(const std::string& sysfsRoot) {
  std::vector<SysfsDisk> disks;
  const std::string root = CanonicalPath(sysfsRoot);
  if (root.empty()) return disks;
  const std::string classBlock = root + "/class/block";
  const std::string devicesRoot = root + "/devices";
  for (const std::string& name : BlockDiskNames(classBlock)) {
    const std::string scsiDevice = CanonicalPath(classBlock + "/" + name + "/device");
    if (scsiDevice.empty()) continue;
    SysfsDisk disk;
    disk.name = name;
    disk.vendor = ReadAttribute(scsiDevice + "/vendor");
    disk.model = ReadAttribute(scsiDevice + "/model");
    disk.revision = ReadAttribute(scsiDevice + "/rev");
    disk.hctl = BaseName(scsiDevice);
    FindUsbDevice(scsiDevice, devicesRoot, disk);
    disks.push_back(std::move(disk));
  }
  return disks;
}

}  // namespace bridgefw::platform
