#include "fwupd/state_machine.h"

#include <algorithm>
#include <exception>

#include "diag/application_log.h"
#include "diag/program_exception.h"
#include "diag/wformat.h"
#include "fwupd/messages.h"
#include "fwupd/support.h"
#include "platform/error.h"

namespace bridgefw {
namespace {

constexpr const WChar* kRunPrefix = u"*** SW_ERROR *** CZtFwUpdStateMach::Run() -";

}  // namespace

CZtFwUpdMsg* CZtFwUpdState::Handle(CZtFwUpdStateMach& machine, CZtFwUpdMsg* msg) const {
  return (machine.*m_handler)(msg);
}

CZtFwUpdStateMach::CZtFwUpdStateMach()
    : m_bStop(false),
      m_appMessage(0),
      m_appWindow(nullptr),
      m_pluginModule(nullptr),
      m_serialNumber{},
      m_vendorId(0),
      m_productId(0),
      m_pCurrentState(nullptr),
      m_pNextState(nullptr),
      m_pStateExitMsg(CreateMsgFromId(kMsgStateExit)),
      m_pStateStartMsg(CreateMsgFromId(kMsgStateStart)),
      m_pStateEnterMsg(CreateMsgFromId(kMsgStateEnter)),
      m_pCommonState(nullptr),
      m_lentDllMsgsLock(1, 1) {}

CZtFwUpdStateMach::~CZtFwUpdStateMach() = default;

void CZtFwUpdStateMach::SetNextState(CZtFwUpdState* state) {
  m_pNextState = state;
}

bool CZtFwUpdStateMach::ReturnMsgToApp(CZtFwUpdMsg*) {
  return false;
}

bool CZtFwUpdStateMach::PostMsgToApp(uint32_t, CZtFwUpdMsg*) {
  return false;
}

void CZtFwUpdStateMach::SetCommonState(CZtFwUpdState* state) {
  m_pCommonState = state;
}

void CZtFwUpdStateMach::SetStartingState(CZtFwUpdState* state) {
  if (m_pCurrentState != nullptr) return;
  m_pCurrentState = state;
  m_queue.AddMsgNormalPriority(m_pStateStartMsg);
}

void CZtFwUpdStateMach::DispatchMsg(CZtFwUpdMsg* msg) {
  msg->isRetained = 0;
  CZtFwUpdMsg* passedOn = m_pCurrentState->Handle(*this, msg);
  if (passedOn != nullptr && m_pCommonState != nullptr) m_pCommonState->Handle(*this, passedOn);
  // The common state can never become the current state.
  if (m_pNextState == m_pCommonState) m_pNextState = nullptr;
}

void CZtFwUpdStateMach::ChangeStates() {
  while (m_pNextState != nullptr) {
    m_pCurrentState->Handle(*this, m_pStateExitMsg);
    // A change asked for while the old state is left redirects this one.
    m_pCurrentState = m_pNextState;
    m_pCurrentState->Handle(*this, m_pStateEnterMsg);
    // A change asked for during StateEnter is dropped.
    m_pNextState = nullptr;
    // One asked for during StateStart is carried out by the next pass.
    m_pCurrentState->Handle(*this, m_pStateStartMsg);
  }
}

void CZtFwUpdStateMach::RunLoop(CZtFwUpdMsg*& currentMsg) {
  if (m_pCurrentState == nullptr || m_pCommonState == nullptr) {
    ApplicationLog::Write(WFormat(
        u"%s Exiting because the SetCommonState() and SetStartingState() functions were not "
        u"called in the controller's constructor",
        kRunPrefix));
    m_bStop = true;
  } else if (m_queue.semaphore().handle() == nullptr) {
    // Without its semaphore the queue can never wake the loop; waiting on
    // would spin, so the thread ends instead.
    ApplicationLog::Write(WFormat(
        u"%s Exiting because the message queue's semaphore could not be created", kRunPrefix));
    m_bStop = true;
  }
  while (!m_bStop) {
    if (m_queue.semaphore().MultiLock(m_exitEvent.handle(), nullptr, platform::kInfinite) != 0) {
      continue;
    }
    CZtFwUpdMsg* msg = m_queue.RemoveNextMsg();
    if (msg == nullptr) continue;
    currentMsg = msg;
    DispatchMsg(msg);
    ReleaseMsg(msg);
    currentMsg = nullptr;
    ChangeStates();
  }
  m_queue.PurgeMsgs();
  if (m_lentDllMsgsLock.Lock(kLedgerLockMilliseconds)) {
    ReleaseAllMsgs(m_lentDllMsgs);
    m_lentDllMsgsLock.Unlock();
  }
}

void CZtFwUpdStateMach::Run() {
  uint32_t result = 0;
  CZtFwUpdMsg* currentMsg = nullptr;
  const bool logReports =
      GetConfigFilePath(m_configFilePath) && StartPluginLogSafely(m_configFilePath);
  try {
    RunLoop(currentMsg);
  } catch (const ProgramException& failure) {
    if (logReports) {
      const WString text = failure.GetText();
      ReportException(u"Program Exception", &text, currentMsg);
    }
  } catch (...) {
    if (logReports) ReportException(u"Unexpected Exception", nullptr, currentMsg);
    result = 1;
  }
  const bool mayRelease = m_endOfThreadHook == nullptr || m_endOfThreadHook();
  ApplicationLog::DestroyInstance();
  platform::ReleaseModuleAndExitThread(mayRelease ? m_pluginModule : nullptr, result);
}

void CZtFwUpdStateMach::ReportException(const WString& kind, const WString* programText,
                                        const CZtFwUpdMsg* currentMsg) const {
  const uint32_t error = platform::GetLastErrorCode();
  const WChar* state = m_pCurrentState != nullptr ? m_pCurrentState->m_stateName : nullptr;
  const WChar* msg = currentMsg != nullptr ? currentMsg->msgName : nullptr;
  WString line;
  if (state != nullptr || msg != nullptr) {
    line = WFormat(u"%s %s State:%s, Msg:%s, error:0x%X", kRunPrefix, kind,
                   state != nullptr ? state : u"__", msg != nullptr ? msg : u"__", error);
  } else {
    line = WFormat(u"%s, %s error:0x%X", kRunPrefix, kind, error);
  }
  if (programText != nullptr) line += WFormat(u", %s", *programText);
  try {
    ApplicationLog::Write(line);
  } catch (...) {
    // A report that cannot be written is dropped; the thread ends anyway.
  }
}

}  // namespace bridgefw
