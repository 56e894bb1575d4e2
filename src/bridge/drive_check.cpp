// The drive check: exactly one attached drive that is the one the host
// asked for, or an outcome that ends the run.
#include <vector>

#include "bridge/bridge_controller.h"
#include "bridge/result_codes.h"
#include "diag/application_log.h"
#include "diag/wformat.h"
#include "drives/drive_mgr.h"

namespace bridgefw {
namespace {

constexpr const WChar* kPrefix = u"*** SW_INFO *** CBridgeDllController::OnScanDrivesTimeout -";
constexpr uint32_t kAcceptedVendorIds[] = {0x2B4E, 0x0D6B};

bool IsAcceptedVendor(uint32_t vendorId) {
  for (uint32_t accepted : kAcceptedVendorIds) {
    if (vendorId == accepted) return true;
  }
  return false;
}

}  // namespace

CZtFwUpdState* CBridgeDllController::OnScanDrivesTimeout(int32_t& resultCode) {
  WString logText;
  CZtFwUpdState* decision = nullptr;
  try {
    DriveMgr::Refresh();
    std::vector<WString> serials;
    DriveMgr::Instance().GetDriveSerialNumbers(serials);
    if (serials.size() >= 2) {
      logText =
          WFormat(u"%s Multiple Drives Detected. VID:%X  PID:%X", kPrefix, m_vendorId, m_productId);
      resultCode = ResultMultipleDrives;
      decision = &BrStUpdateFinished;
    } else if (serials.empty()) {
      logText = WFormat(u"%s No Drive. VID:%X  PID:%X", kPrefix, m_vendorId, m_productId);
      resultCode = ResultNoDrive;
      decision = &BrStUpdateFinished;
    } else {
      DriveMgr::SetCurrentDrive(serials.front());
      const int32_t pid = DriveMgr::GetCurrentDrivePid();
      const WString found = DriveMgr::GetCurrentDriveSerialNumber();
      const WString requested(m_serialNumber);
      // A drive whose serial number cannot be read is filed under the empty
      // serial; an empty request must not let such an unidentified drive
      // pass on two empty strings.
      const bool matches = IsAcceptedVendor(m_vendorId) &&
                           m_productId == static_cast<uint32_t>(pid) && !requested.empty() &&
                           found == requested;
      if (!matches) {
        logText = WFormat(u"%s Drive Mismatch from Scan. VID:%X  PID:%X:%X SerNo:%s:%s", kPrefix,
                          m_vendorId, m_productId, pid, requested, found);
        resultCode = ResultDriveMismatch;
        decision = &BrStUpdateFinished;
      }
    }
    if (!logText.empty()) ApplicationLog::Write(logText);
    if (decision == nullptr) decision = &BrStUpdateFirmware;
    return decision;
  } catch (...) {
    try {
      if (logText.empty()) logText = WFormat(u"%s Unexpected Exception", kPrefix);
      ApplicationLog::Write(logText);
    } catch (...) {
      // Without a log the report is lost; the check still runs again.
    }
    return decision;
  }
}

}  // namespace bridgefw
