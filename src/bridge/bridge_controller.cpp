#include "bridge/bridge_controller.h"

#include "bridgefw/host_api.h"

#include <algorithm>

#include "bridge/firmware_update.h"
#include "bridge/result_codes.h"
#include "bridge/usb_dll.h"
#include "diag/application_log.h"
#include "diag/wformat.h"
#include "drives/drive_mgr.h"
#include "fwupd/messages.h"
#include "platform/host.h"

namespace bridgefw {
namespace {

// How long the end of the control thread waits for a writing worker that a
// cancel left running: an attempt takes seconds, never minutes.
constexpr uint32_t kWorkerEndWaitMs = 120000;

}  // namespace

bool CBridgeDllController::EndOfControlThread() {
  // The worker reads the drive manager and runs plugin code: neither may go
  // away under it.
  if (!WaitForFirmwareWorker(kWorkerEndWaitMs)) return false;
  DriveMgr::DestroyInstance();
  return true;
}

CBridgeDllController::CBridgeDllController()
    : BrStCommon(u"BrStCommon", &CBridgeDllController::OnCommon),
      BrStDataInit(u"BrStDataInit", &CBridgeDllController::OnDataInit),
      BrStDriverLoad(u"BrStDriverLoad", &CBridgeDllController::OnDriverLoad),
      BrStScanDrives(u"BrStScanDrives", &CBridgeDllController::OnScanDrives),
      BrStUpdateFirmware(u"BrStUpdateFirmware", &CBridgeDllController::OnUpdateFirmware),
      BrStUpdateFinished(u"BrStUpdateFinished", &CBridgeDllController::OnUpdateFinished),
      BrStCloseInterface(u"BrStCloseInterface", &CBridgeDllController::OnCloseInterface),
      BrStDriverUnload(u"BrStDriverUnload", &CBridgeDllController::OnDriverUnload),
      BrStRunIdle3(u"BrStRunIdle3", &CBridgeDllController::OnRunIdle3),
      BrStExiting(u"BrStExiting", &CBridgeDllController::OnExiting),
      m_resultCode(ResultNone),
      m_timerDelay(0),
      m_upgradeCounter(0),
      m_exitRequested(false),
      m_hUsbDll(nullptr),
      m_pUpdateTimeoutMsg(CreateMsgFromId(kMsgFirmwareUpdateTimeout)),
      m_pTimeout4Msg(CreateMsgFromId(kMsgTimeout4)) {
  SetCommonState(&BrStCommon);
  SetStartingState(&BrStDataInit);
  SetEndOfThreadHook(&CBridgeDllController::EndOfControlThread);
}

CBridgeDllController::~CBridgeDllController() = default;

bool CBridgeDllController::PostMsgToApp(uint32_t lParam, CZtFwUpdMsg* msg) {
  if (msg == nullptr || msg->msgId == kMsgInvalid || m_appWindow == nullptr) return false;
  try {
    if (msg->isPersistent == 0 && msg->isDllMsg != 0) AddLentMsg(msg);
    return platform::PostHostMessage(m_appWindow, m_appMessage, reinterpret_cast<uintptr_t>(msg),
                                     static_cast<intptr_t>(lParam));
  } catch (...) {
    return false;
  }
}

CZtFwUpdState* CBridgeDllController::GetExitState() {
  const CZtFwUpdState* current = m_pCurrentState;
  if (current == &BrStDataInit) return &BrStExiting;
  if (current == &BrStDriverLoad || current == &BrStScanDrives || current == &BrStUpdateFirmware ||
      current == &BrStUpdateFinished) {
    return &BrStCloseInterface;
  }
  return nullptr;
}

void CBridgeDllController::StartUpdateTimer(uint32_t delayMs) {
  m_timerDelay = delayMs;
  m_updateTimer.Start(&m_queue, m_pUpdateTimeoutMsg, this, delayMs);
}

void CBridgeDllController::FreeUsbDll() {
  if (m_hUsbDll == nullptr) return;
  ReleaseUsbDllWhenWorkerIsDone(m_hUsbDll);
  m_hUsbDll = nullptr;
}

CZtFwUpdMsg* CBridgeDllController::OnCommon(CZtFwUpdMsg* msg) {
  switch (msg->msgId) {
    case kMsgFirmwareUpdateTimeout:
      m_updateTimer.Start(&m_queue, m_pUpdateTimeoutMsg, this, m_timerDelay);
      return nullptr;
    case kMsgTimeout4:
      m_timeout4Timer.Start(&m_queue, m_pTimeout4Msg, this, kTimeout4DelayMs);
      return nullptr;
    case kMsgDllCancel:
    case kMsgDllExit:
      if (CZtFwUpdState* exit = GetExitState()) SetNextState(exit);
      m_exitRequested = true;
      return msg;
    default:
      return msg;
  }
}

CZtFwUpdMsg* CBridgeDllController::OnDataInit(CZtFwUpdMsg* msg) {
  switch (msg->msgId) {
    case kMsgDllDataInit: {
      const auto* init = static_cast<const CFwMsgDllDataInit*>(msg);
      m_appMessage = init->appMessage;
      m_appWindow = init->appWindow;
      m_pluginModule = init->pluginModule;
      return nullptr;
    }
    case kMsgDllUpdate:
      TakeUpdateRequest(msg);
      SetNextState(&BrStDriverLoad);
      return nullptr;
    default:
      return msg;
  }
}

void CBridgeDllController::TakeUpdateRequest(CZtFwUpdMsg* msg) {
  const auto* update = static_cast<const CFwMsgDllUpdate*>(msg);
  // At most 31 characters and the terminator.
  const size_t units = kSerialNumberUnits - 1;
  size_t n = 0;
  while (n < units && update->serialNumber[n] != 0) {
    m_serialNumber[n] = update->serialNumber[n];
    ++n;
  }
  std::fill(m_serialNumber + n, m_serialNumber + kSerialNumberUnits, WChar{0});
  m_productId = update->productId;
  m_vendorId = update->vendorId;
  m_deviceIdPrefixes.clear();
  // A request without a list is taken as an empty list: no drive is found.
  if (const auto* list = static_cast<const BridgeWideStringList*>(update->deviceIdPrefixes)) {
    for (uint32_t i = 0; i < list->count && list->items != nullptr; ++i) {
      const auto* item = reinterpret_cast<const WChar*>(list->items[i]);
      m_deviceIdPrefixes.emplace_back(item != nullptr ? WString(item) : WString());
    }
  }
  DriveMgr::CreateInstance(m_deviceIdPrefixes);
  size_t pathUnits = 0;
  while (pathUnits < CFwMsgDllUpdate::kFirmwarePathUnits && update->firmwarePath[pathUnits] != 0) {
    ++pathUnits;
  }
  g_firmwarePath.assign(update->firmwarePath, pathUnits);
}

CZtFwUpdMsg* CBridgeDllController::OnDriverLoad(CZtFwUpdMsg* msg) {
  if (msg->msgId != kMsgStateStart) return msg;
  SetNextState(&BrStScanDrives);
  return nullptr;
}

CZtFwUpdMsg* CBridgeDllController::OnScanDrives(CZtFwUpdMsg* msg) {
  try {
    switch (msg->msgId) {
      case kMsgStateEnter:
        ApplicationLog::Write(
            WFormat(u"*** SW_INFO *** BrStScanDrives - VID:%X  PID:%X", m_vendorId, m_productId));
        return msg;
      case kMsgStateStart:
        FreeUsbDll();
        m_hUsbDll = LoadUsbDll();
        if (m_hUsbDll != nullptr) {
          StartUpdateTimer(kScanDelayMs);
        } else {
          SetNextState(&BrStDriverUnload);
        }
        return msg;
      case kMsgStateExit:
        m_updateTimer.Cancel();
        return msg;
      case kMsgFirmwareUpdateTimeout:
        if (CZtFwUpdState* next = OnScanDrivesTimeout(m_resultCode)) {
          SetNextState(next);
        } else {
          StartUpdateTimer(kScanDelayMs);
        }
        return nullptr;
      default:
        return msg;
    }
  } catch (...) {
    // Counts as passed on: a time-out then re-arms the timer in the common
    // state, so the check is tried again.
    return msg;
  }
}

CZtFwUpdMsg* CBridgeDllController::OnUpdateFirmware(CZtFwUpdMsg* msg) {
  switch (msg->msgId) {
    case kMsgStateStart:
      StartUpdateTimer(kPollDelayMs);
      m_upgradeCounter = 1;
      StartFirmwareAttempt(m_hUsbDll);
      return msg;
    case kMsgStateExit:
      m_updateTimer.Cancel();
      return msg;
    case kMsgFirmwareUpdateTimeout:
      if (CZtFwUpdState* next = OnFirmwareUpdateTimeout(m_resultCode)) {
        SetNextState(next);
      } else {
        StartUpdateTimer(kPollDelayMs);
      }
      return nullptr;
    default:
      return msg;
  }
}

CZtFwUpdMsg* CBridgeDllController::OnUpdateFinished(CZtFwUpdMsg* msg) {
  switch (msg->msgId) {
    case kMsgStateStart:
      SetNextState(&BrStCloseInterface);
      return msg;
    case kMsgStateEnter:
    case kMsgStateExit:
      return msg;
    default:
      return nullptr;  // consumed
  }
}

CZtFwUpdMsg* CBridgeDllController::OnCloseInterface(CZtFwUpdMsg* msg) {
  switch (msg->msgId) {
    case kMsgStateStart:
      if (m_hUsbDll != nullptr) {
        FreeUsbDll();
        if (m_exitRequested) {
          SetNextState(&BrStDriverUnload);
        } else {
          StartUpdateTimer(kCloseDelayMs);
        }
      } else {
        SetNextState(&BrStDriverUnload);
      }
      return nullptr;
    case kMsgStateExit:
      m_updateTimer.Cancel();
      return msg;
    case kMsgFirmwareUpdateTimeout:
      SetNextState(&BrStDriverUnload);
      return nullptr;
    default:
      return msg;
  }
}

CZtFwUpdMsg* CBridgeDllController::OnDriverUnload(CZtFwUpdMsg* msg) {
  if (msg->msgId != kMsgStateStart) return msg;
  SetNextState(&BrStRunIdle3);
  return nullptr;
}

CZtFwUpdMsg* CBridgeDllController::OnRunIdle3(CZtFwUpdMsg* msg) {
  if (msg->msgId != kMsgStateStart) return msg;
  SetNextState(&BrStExiting);
  return nullptr;
}

CZtFwUpdMsg* CBridgeDllController::OnExiting(CZtFwUpdMsg* msg) {
  switch (msg->msgId) {
    case kMsgStateStart:
      if (auto* ready =
              static_cast<CFwMsgDllReadyForUnload*>(CreateMsgFromId(kMsgDllReadyForUnload))) {
        ready->resultCode = m_resultCode;
        PostMsgToApp(0, ready);
      }
      return nullptr;
    case kMsgDllCancel:
    case kMsgDllExit:
      m_bStop = true;
      m_exitEvent.Signal();
      return msg;
    default:
      return msg;
  }
}

}  // namespace bridgefw
