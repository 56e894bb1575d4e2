#include "platform/disk_ids_posix.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace bridgefw::platform {
namespace {

bool IsIdCharacter(unsigned char c) {
  return c > 0x20 && c < 0x7F && c != ',';
}

// FNV-1a, 32 bits: a short stable tag derived from a text.
uint32_t Hash32(const std::string& text) {
  uint32_t hash = 2166136261u;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 16777619u;
  }
  return hash;
}

std::string Hex8(uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", value);
  return text;
}

// "0781" (any case) as "0781"; text that is not a 16-bit hexadecimal
// number is kept, in upper case.
std::string UsbIdDigits(const std::string& raw) {
  char* end = nullptr;
  const unsigned long value = std::strtoul(raw.c_str(), &end, 16);
  if (!raw.empty() && end != nullptr && *end == 0 && value <= 0xFFFF) {
    char text[5];
    std::snprintf(text, sizeof text, "%04lX", value);
    return text;
  }
  return IdField(raw, raw.size());
}

// "host:channel:target:lun" as its four numbers (missing ones are 0).
std::vector<unsigned long> ScsiAddress(const std::string& hctl) {
  std::vector<unsigned long> parts;
  size_t start = 0;
  while (parts.size() < 4) {
    const size_t colon = hctl.find(':', start);
    parts.push_back(std::strtoul(hctl.substr(start, colon - start).c_str(), nullptr, 10));
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  parts.resize(4, 0);
  return parts;
}

// The last port number of a USB device name ("2-1.4" gives "4").
std::string LastPort(const std::string& usbDeviceName) {
  const size_t at = usbDeviceName.find_last_of("-.");
  return at == std::string::npos ? usbDeviceName : usbDeviceName.substr(at + 1);
}

// The instance part of the USB device's id: its serial number when it has
// a usable one, else a tag of its place on the bus, as Windows makes one
// for a device without serial number.
std::string UsbInstance(const SysfsDisk& disk) {
  if (disk.hasSerial && IsUsableUsbSerial(disk.serial)) return disk.serial;
  return "7&" + Hex8(Hash32(disk.usbDeviceName)) + "&0&" + LastPort(disk.usbDeviceName);
}

std::string InquiryPart(const SysfsDisk& disk) {
  return "DISK&VEN_" + IdField(disk.vendor, 8) + "&PROD_" + IdField(disk.model, 16) + "&REV_" +
         IdField(disk.revision, 4);
}

std::string TwoHex(unsigned long value) {
  char text[24];
  std::snprintf(text, sizeof text, "%02lX", value);
  return text;
}

}  // namespace

std::string IdField(const std::string& raw, size_t width) {
  std::string field = raw.substr(0, width);
  while (!field.empty() && (field.back() == ' ' || field.back() == '\0')) field.pop_back();
  for (char& c : field) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 'a' && byte <= 'z') {
      c = static_cast<char>(byte - 'a' + 'A');
    } else if (!IsIdCharacter(byte)) {
      c = '_';
    }
  }
  return field;
}

bool IsUsableUsbSerial(const std::string& serial) {
  if (serial.empty()) return false;
  for (const char c : serial) {
    if (!IsIdCharacter(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

DiskIds ComposeDiskIds(const SysfsDisk& disk) {
  const std::vector<unsigned long> address = ScsiAddress(disk.hctl);
  DiskIds ids;
  switch (disk.bus) {
    case DiskBus::kUsbStorage:
      ids.instanceId = "USBSTOR\\" + InquiryPart(disk) + "\\" + UsbInstance(disk) + "&" +
                       std::to_string(address[3]);
      break;
    case DiskBus::kUas:
      // The host number changes at every plug-in; the USB device's place
      // and the channel, target and lun do not.
      ids.instanceId = "SCSI\\" + InquiryPart(disk) + "\\4&" + Hex8(Hash32(disk.usbDeviceName)) +
                       "&0&" + TwoHex(address[1]) + TwoHex(address[2]) + TwoHex(address[3]);
      break;
    case DiskBus::kOther:
      ids.instanceId = "NONUSB\\" + InquiryPart(disk) + "\\" + std::to_string(address[0]) + "&" +
                       std::to_string(address[1]) + "&" + std::to_string(address[2]) + "&" +
                       std::to_string(address[3]);
      return ids;
  }
  ids.parentId = "USB\\VID_" + UsbIdDigits(disk.idVendor) + "&PID_" + UsbIdDigits(disk.idProduct) +
                 "\\" + UsbInstance(disk);
  return ids;
}

}  // namespace bridgefw::platform
