// The control thread's side of the firmware run: polled once a second
// while BrStUpdateFirmware is current.
#include "bridge/bridge_controller.h"
#include "bridge/firmware_update.h"
#include "bridge/result_codes.h"
#include "diag/application_log.h"
#include "diag/wformat.h"

namespace bridgefw {

CZtFwUpdState* CBridgeDllController::OnFirmwareUpdateTimeout(int32_t& resultCode) {
  // The attempt is still starting or running.
  if (!g_workerStarted.load() || !g_workerFinished.load()) return nullptr;
  if (g_workerSucceeded.load()) {
    resultCode = ResultUpgradeSucceeded;
    return &BrStUpdateFinished;
  }
  if (m_upgradeCounter < kMaxUpgradeAttempts) {
    ++m_upgradeCounter;
    StartFirmwareAttempt(m_hUsbDll);
    return nullptr;
  }
  try {
    ApplicationLog::Write(WFormat(u"%s Failed Upgrade, m_upgradeCounter:%d",
                                  u"CBridgeDllController::OnFirmwareUpdateTimeout -",
                                  m_upgradeCounter));
  } catch (...) {
    // A line that cannot be logged must not cost the host its result.
  }
  resultCode = ResultUpgradeFailed;
  return &BrStUpdateFinished;
}

}  // namespace bridgefw
