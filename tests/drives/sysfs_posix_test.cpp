// The Linux backend over a sysfs tree that the test builds: which block
// devices are disks, and the ids, parents and device paths they get.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <iterator>
#include <string>
#include <vector>

#include "drives/device_interfaces.h"
#include "drives/drive_pid.h"
#include "platform/device.h"
#include "support/emulation.h"
#include "support/temp_dir.h"

namespace bridgefw {
namespace {

// Builds directories, attribute files and links below a temporary root the
// way the kernel lays out /sys.
class FakeSysfs {
 public:
  FakeSysfs() {
    Dir("class/block");
    Dir("bus/usb/drivers/usb-storage");
    Dir("bus/usb/drivers/uas");
    Dir("bus/usb/drivers/hub");
  }

  std::string root() const { return m_dir.Native(); }

  // A USB device directory (relative to the root) with its ids; no serial
  // file when `serial` is null.
  void UsbDevice(const std::string& path, const std::string& vid, const std::string& pid,
                 const char* serial) {
    Dir(path);
    File(path + "/idVendor", vid + "\n");
    File(path + "/idProduct", pid + "\n");
    if (serial != nullptr) File(path + "/serial", std::string(serial) + "\n");
  }

  // An interface directory with its number and driver link.
  void Interface(const std::string& path, const std::string& driver) {
    Dir(path);
    File(path + "/bInterfaceNumber", "00\n");
    Link(m_dir.Native("bus/usb/drivers/" + driver), path + "/driver");
  }

  // A SCSI device at `scsiPath` (its name is h:c:t:l) with a disk `name`.
  void Disk(const std::string& scsiPath, const std::string& name, const std::string& vendor,
            const std::string& model, const std::string& revision) {
    Dir(scsiPath + "/block/" + name);
    File(scsiPath + "/vendor", vendor + "\n");
    File(scsiPath + "/model", model + "\n");
    File(scsiPath + "/rev", revision + "\n");
    Link(m_dir.Native(scsiPath), scsiPath + "/block/" + name + "/device");
    Link(m_dir.Native(scsiPath + "/block/" + name), "class/block/" + name);
  }

  void Partition(const std::string& diskPath, const std::string& name) {
    Dir(diskPath + "/" + name);
    File(diskPath + "/" + name + "/partition", "1\n");
    Link(m_dir.Native(diskPath + "/" + name), "class/block/" + name);
  }

  void Dir(const std::string& path) {
    std::string partial;
    for (size_t at = 0; at != std::string::npos;) {
      const size_t slash = path.find('/', at);
      partial = path.substr(0, slash);
      mkdir(m_dir.Native(partial).c_str(), 0755);
      at = slash == std::string::npos ? slash : slash + 1;
    }
  }

  void File(const std::string& path, const std::string& text) {
    testing::WriteWholeFile(m_dir.Native(path), text);
  }

  // `target` as given (relative to the link's directory, or absolute).
  void Link(const std::string& target, const std::string& link) {
    symlink(target.c_str(), m_dir.Native(link).c_str());
  }

 private:
  testing::TempDir m_dir;
};

struct Seen {
  std::string path;
  std::string id;
  std::string parentId;
  int32_t pid;
};

std::vector<Seen> Enumerate() {
  std::vector<Seen> seen;
  const DeviceInterfaces list(platform::kGuidDevinterfaceDisk);
  for (int32_t i = 0; i < list.GetCount(); ++i) {
    const DeviceInterface& entry = list.GetAt(i);
    std::string parent;
    platform::GetParentDeviceIdA(entry.GetDevInst(), parent);
    const WString parentWide = GetParentDeviceId(entry.GetDevInst());
    seen.push_back({NarrowUtf8(entry.GetDevicePath()), NarrowUtf8(GetDeviceId(entry.GetDevInst())),
                    parent, ParseDrivePid(parentWide)});
  }
  return seen;
}

// `pattern` with '*' standing for eight lower-case hexadecimal digits.
bool Matches(const std::string& actual, const std::string& pattern) {
  const size_t star = pattern.find('*');
  if (star == std::string::npos) return actual == pattern;
  const size_t tail = pattern.size() - star - 1;
  if (actual.size() != pattern.size() + 7) return false;
  if (actual.compare(0, star, pattern, 0, star) != 0) return false;
  if (actual.compare(star + 8, tail, pattern, star + 1, tail) != 0) return false;
  for (size_t i = star; i < star + 8; ++i) {
    if (std::string("0123456789abcdef").find(actual[i]) == std::string::npos) return false;
  }
  return true;
}

TEST(SysfsTest, DisksGetTheIdsWindowsWouldGiveThem) {
  FakeSysfs sys;
  const std::string pci = "devices/pci0000:00/0000:00:14.0";

  // A usb-storage disk, with a partition.
  sys.UsbDevice(pci + "/usb2/2-1", "2b4e", "1a2b", "ZT0001");
  sys.Interface(pci + "/usb2/2-1/2-1:1.0", "usb-storage");
  const std::string sdb = pci + "/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0";
  sys.Disk(sdb, "sdb", "ZT      ", "Bridge Disk     ", "0100");
  sys.Partition(sdb + "/block/sdb", "sdb1");

  // A uas disk.
  sys.UsbDevice(pci + "/usb3/3-2", "0d6b", "0001", "UAS9");
  sys.Interface(pci + "/usb3/3-2/3-2:1.0", "uas");
  sys.Disk(pci + "/usb3/3-2/3-2:1.0/host7/target7:0:1/7:0:1:0", "sdc", "zt,ven", "Fast disk",
           "1.0 ");

  // A disk behind a hub: the hub's own ids are not the parent's.
  sys.UsbDevice(pci + "/usb1/1-1", "05e3", "0610", "HUB0");
  sys.Interface(pci + "/usb1/1-1/1-1:1.0", "hub");
  sys.UsbDevice(pci + "/usb1/1-1/1-1.3", "2b4e", "00ff", "HUBBED");
  sys.Interface(pci + "/usb1/1-1/1-1.3/1-1.3:1.0", "usb-storage");
  sys.Disk(pci + "/usb1/1-1/1-1.3/1-1.3:1.0/host8/target8:0:0/8:0:0:0", "sdd", "ZT", "Hubbed",
           "0001");

  // No serial number, and a serial number with a comma: both unusable.
  sys.UsbDevice(pci + "/usb2/2-2", "2b4e", "0002", nullptr);
  sys.Interface(pci + "/usb2/2-2/2-2:1.0", "usb-storage");
  sys.Disk(pci + "/usb2/2-2/2-2:1.0/host9/target9:0:0/9:0:0:0", "sde", "ZT", "NoSerial", "0001");
  sys.UsbDevice(pci + "/usb2/2-4", "2b4e", "0004", "AB,CD");
  sys.Interface(pci + "/usb2/2-4/2-4:1.0", "usb-storage");
  sys.Disk(pci + "/usb2/2-4/2-4:1.0/host11/target11:0:0/11:0:0:0", "sdi", "ZT", "Comma", "0001");

  // A card reader with three LUNs.
  sys.UsbDevice(pci + "/usb2/2-3", "0bda", "0158", "READER1");
  sys.Interface(pci + "/usb2/2-3/2-3:1.0", "usb-storage");
  const std::string reader = pci + "/usb2/2-3/2-3:1.0/host10/target10:0:0/";
  sys.Disk(reader + "10:0:0:0", "sdf", "Generic-", "SD/MMC          ", "1.00");
  sys.Disk(reader + "10:0:0:1", "sdg", "Generic-", "Compact Flash   ", "1.00");
  sys.Disk(reader + "10:0:0:2", "sdh", "Generic-", "M\xC3\xA9moire", "1.00");

  // Disks not on USB, and block devices that are not SCSI disks.
  sys.Disk("devices/pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0", "sda", "ATA     ",
           "Samsung SSD 860 ", "4B6Q");
  sys.Disk("devices/pci0000:00/0000:00:1f.2/ata2/host1/target1:0:0/1:0:0:0", "sdaa", "ATA", "Other",
           "1");
  sys.Dir("devices/virtual/block/loop0");
  sys.Link(sys.root() + "/devices/virtual/block/loop0", "class/block/loop0");

  testing::ScopedEnv noEmulation("BRIDGEFW_EMULATION", nullptr);
  testing::ScopedEnv root("BRIDGEFW_SYSFS_ROOT", sys.root().c_str());
  const std::vector<Seen> seen = Enumerate();

  struct Expected {
    const char* path;
    const char* id;
    const char* parentId;
    int32_t pid;
  };
  const Expected expected[] = {
      {"\\dev\\sda", "NONUSB\\DISK&VEN_ATA&PROD_SAMSUNG_SSD_860&REV_4B6Q\\0&0&0&0", "", 0},
      {"\\dev\\sdb", "USBSTOR\\DISK&VEN_ZT&PROD_BRIDGE_DISK&REV_0100\\ZT0001&0",
       "USB\\VID_2B4E&PID_1A2B\\ZT0001", 0x1A2B},
      {"\\dev\\sdc", "SCSI\\DISK&VEN_ZT_VEN&PROD_FAST_DISK&REV_1.0\\4&*&0&000100",
       "USB\\VID_0D6B&PID_0001\\UAS9", 0x0001},
      {"\\dev\\sdd", "USBSTOR\\DISK&VEN_ZT&PROD_HUBBED&REV_0001\\HUBBED&0",
       "USB\\VID_2B4E&PID_00FF\\HUBBED", 0x00FF},
      {"\\dev\\sde", "USBSTOR\\DISK&VEN_ZT&PROD_NOSERIAL&REV_0001\\7&*&0&2&0",
       "USB\\VID_2B4E&PID_0002\\7&*&0&2", 0x0002},
      {"\\dev\\sdf", "USBSTOR\\DISK&VEN_GENERIC-&PROD_SD/MMC&REV_1.00\\READER1&0",
       "USB\\VID_0BDA&PID_0158\\READER1", 0x0158},
      {"\\dev\\sdg", "USBSTOR\\DISK&VEN_GENERIC-&PROD_COMPACT_FLASH&REV_1.00\\READER1&1",
       "USB\\VID_0BDA&PID_0158\\READER1", 0x0158},
      {"\\dev\\sdh", "USBSTOR\\DISK&VEN_GENERIC-&PROD_M__MOIRE&REV_1.00\\READER1&2",
       "USB\\VID_0BDA&PID_0158\\READER1", 0x0158},
      {"\\dev\\sdi", "USBSTOR\\DISK&VEN_ZT&PROD_COMMA&REV_0001\\7&*&0&4&0",
       "USB\\VID_2B4E&PID_0004\\7&*&0&4", 0x0004},
      {"\\dev\\sdaa", "NONUSB\\DISK&VEN_ATA&PROD_OTHER&REV_1\\1&0&0&0", "", 0},
  };
  ASSERT_EQ(seen.size(), std::size(expected));
  for (size_t i = 0; i < seen.size(); ++i) {
    SCOPED_TRACE(expected[i].path);
    EXPECT_EQ(seen[i].path, expected[i].path);
    EXPECT_TRUE(Matches(seen[i].id, expected[i].id)) << seen[i].id;
    EXPECT_TRUE(Matches(seen[i].parentId, expected[i].parentId)) << seen[i].parentId;
    EXPECT_EQ(seen[i].pid, expected[i].pid);
  }
  // A device without a usable serial number is told apart by its place.
  EXPECT_NE(seen[4].parentId, seen[8].parentId);
}

}  // namespace
}  // namespace bridgefw
