// CBridgeDllController: this plugin's state machine. Ten states lead one
// run from the host's start-up data through the vendor-library binding,
// the drive check, the firmware writing and the close-down to the
// DllReadyForUnload post, with side roads for cancel and failures.
//
// All handlers run on the control thread. The firmware-writing worker
// shares only the flags of firmware_update.h with it.
#pragma once

#include <cstdint>

#include "fwupd/state_machine.h"
#include "fwupd/timer.h"
#include "platform/module.h"

namespace bridgefw {

class CBridgeDllController : public CZtFwUpdStateMach {
 public:
  static constexpr uint32_t kScanDelayMs = 1000;
  static constexpr uint32_t kPollDelayMs = 1000;
  static constexpr uint32_t kCloseDelayMs = 3000;
  static constexpr uint32_t kTimeout4DelayMs = 30000;

  CBridgeDllController();
  ~CBridgeDllController() override;

  bool PostMsgToApp(uint32_t lParam, CZtFwUpdMsg* msg) override;

  CZtFwUpdState* GetExitState();
  void StartUpdateTimer(uint32_t delayMs);
  CZtFwUpdState* OnScanDrivesTimeout(int32_t& resultCode);
  CZtFwUpdState* OnFirmwareUpdateTimeout(int32_t& resultCode);

  // The end-of-thread step of this plugin: waits for a writing worker to be
  // gone, then destroys the drive manager. False when the worker is still
  // running, so that the plugin library stays loaded.
  static bool EndOfControlThread();

  int32_t resultCode() const { return m_resultCode; }
  const CZtFwUpdState* currentState() const { return m_pCurrentState; }

 protected:
  CZtFwUpdMsg* OnCommon(CZtFwUpdMsg* msg);
  CZtFwUpdMsg* OnDataInit(CZtFwUpdMsg* msg);
  CZtFwUpdMsg* OnDriverLoad(CZtFwUpdMsg* msg);
  CZtFwUpdMsg* OnScanDrives(CZtFwUpdMsg* msg);
  CZtFwUpdMsg* OnUpdateFirmware(CZtFwUpdMsg* msg);
  CZtFwUpdMsg* OnUpdateFinished(CZtFwUpdMsg* msg);
  CZtFwUpdMsg* OnCloseInterface(CZtFwUpdMsg* msg);
  CZtFwUpdMsg* OnDriverUnload(CZtFwUpdMsg* msg);
  CZtFwUpdMsg* OnRunIdle3(CZtFwUpdMsg* msg);
  CZtFwUpdMsg* OnExiting(CZtFwUpdMsg* msg);

  // Takes the update request of a DllUpdate record.
  void TakeUpdateRequest(CZtFwUpdMsg* msg);
  // Frees the vendor library, once no writing worker can be inside it.
  void FreeUsbDll();

  CZtFwUpdState BrStCommon;
  CZtFwUpdState BrStDataInit;
  CZtFwUpdState BrStDriverLoad;
  CZtFwUpdState BrStScanDrives;
  CZtFwUpdState BrStUpdateFirmware;
  CZtFwUpdState BrStUpdateFinished;
  CZtFwUpdState BrStCloseInterface;
  CZtFwUpdState BrStDriverUnload;
  CZtFwUpdState BrStRunIdle3;
  CZtFwUpdState BrStExiting;

  int32_t m_resultCode;
  uint32_t m_timerDelay;
  uint32_t m_upgradeCounter;
  bool m_exitRequested;
  platform::ModuleHandle m_hUsbDll;
  CZtFwUpdMsg* m_pUpdateTimeoutMsg;
  CZtFwUpdWatchdogTimer m_updateTimer;
  CZtFwUpdMsg* m_pTimeout4Msg;
  CZtFwUpdWatchdogTimer m_timeout4Timer;
};

}  // namespace bridgefw
