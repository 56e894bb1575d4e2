// DriveMgr: the registry of the supported drives attached now. It keeps
// each present disk whose device instance id begins with one of the host's
// prefixes, filed under the serial number that the disk reports, and
// answers the current drive's product id and fresh serial number.
//
// One instance, reached through a static pointer that is null until
// CreateInstance and again after DestroyInstance. The pointer is atomic
// because the firmware worker reads it; the registry itself has no lock:
// the control thread creates, scans, queries and destroys it, and keeps the
// worker's one GetCurrentDrive from meeting a Refresh or the destruction.
//
// Reports (ProgramException):
//   "DriveMgr::CreateInstance:DriveMgr already called."
//   "DriveMgr::Refresh:CreateInstance must be called first."
//   "DriveMgr::Instance:CreateInstance must be called first." (every other
//   static operation without an instance)
//   the assertion report of ".\DriveMgr.cpp" line 1062 for a serial number
//   that is not in the registry.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "drives/tamrin_drive.h"
#include "platform/text.h"

namespace bridgefw {

class DriveMgr {
 public:
  // Copies the prefixes and scans once; the instance exists only when the
  // scan has finished.
  static void CreateInstance(const std::vector<WString>& prefixes);
  static DriveMgr& Instance();
  static bool Exists();
  // Releases every drive record and scans again. Drives obtained before are
  // invalid afterwards; the current drive's serial number is kept.
  static void Refresh();
  // Destroys the instance and clears the pointer; nothing without one.
  static void DestroyInstance();

  // The serial numbers of the registry, in its own order.
  void GetDriveSerialNumbers(std::vector<WString>& serials) const;
  // Sets the current drive's serial number; checks nothing.
  static void SetCurrentDrive(const WString& serial);
  TamrinDrive& GetDrive(const WString& serial);
  static TamrinDrive& GetCurrentDrive();
  // The product id from the current drive's parent id; 0 when none.
  static int32_t GetCurrentDrivePid();
  // The current drive's serial number read from the device now.
  static WString GetCurrentDriveSerialNumber();

  ~DriveMgr();
  DriveMgr(const DriveMgr&) = delete;
  DriveMgr& operator=(const DriveMgr&) = delete;

 private:
  explicit DriveMgr(const std::vector<WString>& prefixes);

  void Scan();
  void ClearDrives();
  bool IsAcceptedId(const WString& id) const;

  std::map<WString, std::unique_ptr<TamrinDrive>> m_drives;
  WString m_currentDrive;
  std::vector<WString> m_deviceIdPrefixes;
};

}  // namespace bridgefw
