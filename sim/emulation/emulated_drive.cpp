#include "emulation/emulated_drive.h"

#include <cstdio>

namespace bridgefw::emulation {

std::string DefaultDevicePath(const std::string& name) {
  return "\\\\?\\emulated#" + name + "#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
}

std::vector<uint8_t> MakeSerialNumberPage(const std::string& serial) {
  const size_t length = serial.size() > 0xFFFF ? 0xFFFF : serial.size();
  std::vector<uint8_t> page(4 + length);
  page[0] = 0x00;
  page[1] = 0x80;
  page[2] = static_cast<uint8_t>(length >> 8);
  page[3] = static_cast<uint8_t>(length & 0xFF);
  for (size_t i = 0; i < length; ++i) page[4 + i] = static_cast<uint8_t>(serial[i]);
  return page;
}

EmulatedDrive UsbStorageDrive(const std::string& name, const std::string& serial, uint16_t vendorId,
                              uint16_t productId) {
  char usb[32];
  std::snprintf(usb, sizeof usb, "USB\\VID_%04X&PID_%04X\\", vendorId, productId);
  EmulatedDrive drive;
  drive.name = name;
  drive.instanceId = "USBSTOR\\DISK&VEN_ZT&PROD_BRIDGE&REV_0100\\" + name + "&0";
  drive.parentId = usb + name;
  drive.page80 = MakeSerialNumberPage(serial);
  return drive;
}

}  // namespace bridgefw::emulation
