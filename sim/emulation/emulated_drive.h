// The description of one emulated drive, as the emulation folder holds it
// (docs/EMULATION.md), and small helpers to build one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "emulation/bridge_faults.h"

namespace bridgefw::emulation {

// One entry of a drive's reply script. The script answers the drive's
// INQUIRY commands in order; when it is used up, INQUIRY of the unit serial
// number page answers GOOD with the drive's page bytes.
enum class ReplyKind : uint8_t {
  kBecomingReady,   // CHECK CONDITION, NOT READY, 04h/01h; `times` INQUIRYs
  kNeedsStartUnit,  // CHECK CONDITION, NOT READY, 04h/02h until a START STOP UNIT arrives
  kCheckCondition,  // CHECK CONDITION with the given sense; `times` INQUIRYs
  kStatus,          // the given SCSI status without sense data; `times` INQUIRYs
  kTransportError,  // the request fails in transport (no status); `times` INQUIRYs
};

struct ScriptStep {
  ReplyKind kind = ReplyKind::kBecomingReady;
  uint32_t times = 1;  // not used by kNeedsStartUnit
  uint8_t senseKey = 0;
  uint8_t asc = 0;
  uint8_t ascq = 0;
  uint8_t status = 0;  // kStatus only
};

struct EmulatedDrive {
  // Short name, unique in the folder; letters, digits, '.', '_' and '-'.
  // It names the drive's flash file.
  std::string name;
  // The disk's device instance id and its parent's (empty: no parent).
  std::string instanceId;
  std::string parentId;
  // The name by which the disk is opened; empty means DefaultDevicePath(name).
  std::string devicePath;
  // The unit serial number page (80h) exactly as the drive returns it,
  // header included: byte 1 the page code, bytes 2-3 the page length.
  std::vector<uint8_t> page80;
  std::vector<ScriptStep> script;
  // Opening the device fails with "access denied".
  bool unopenable = false;
  // Sense data come in descriptor format (72h) instead of fixed (70h).
  bool descriptorSense = false;
  // The drive's flash image file, relative to the folder; empty means
  // "<name>.flash". The folder reader does not require it to exist.
  std::string flashFile;
  // Faults of the bridge as the vendor-library stand-in sees it.
  BridgeFaults faults;
  // The flash's durations; absent: no delays, unless the environment
  // variable BRIDGEFW_FLASH_TIMING is 1 (then the default durations).
  std::optional<FlashTiming> timing;
};

// "\\?\emulated#<name>#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}"
std::string DefaultDevicePath(const std::string& name);

// A unit serial number page holding `serial`: 00h 80h, the length in two
// bytes (most significant first), then the bytes of `serial`.
std::vector<uint8_t> MakeSerialNumberPage(const std::string& serial);

// A USB mass-storage drive with the usual ids:
// USBSTOR\DISK&VEN_ZT&PROD_BRIDGE&REV_0100\<name>&0 on USB\VID_<vid>&PID_<pid>\<name>,
// answering `serial`.
EmulatedDrive UsbStorageDrive(const std::string& name, const std::string& serial,
                              uint16_t vendorId = 0x2B4E, uint16_t productId = 0x1A2B);

}  // namespace bridgefw::emulation
