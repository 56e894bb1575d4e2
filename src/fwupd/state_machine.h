// CZtFwUpdStateMach: the engine of a device plugin. One control thread
// (Run) takes records from the queue and hands each to the current state
// and, when passed on, to the common state; handlers ask for state changes
// with SetNextState, which are carried out after the handler returns. The
// machine also holds the host link, the drive to update, and the
// lent-message ledger.
//
// Threads: Run, the handlers, SetNextState and DispatchMsg run on the
// control thread only. Other threads reach the machine through queue() and
// the ledger operations (AddLentMsg, RemoveLentMsg, ReleaseMsg,
// AllLentMsgsReleased).
#pragma once

#include <cstdint>
#include <list>
#include <vector>

#include "fwupd/event.h"
#include "fwupd/message.h"
#include "fwupd/msg_queue.h"
#include "fwupd/object.h"
#include "fwupd/semaphore.h"
#include "fwupd/state.h"
#include "platform/module.h"
#include "platform/text.h"

namespace bridgefw {

class CZtFwUpdStateMach : public CZtFwUpdObject {
 public:
  static constexpr uint32_t kLedgerLockMilliseconds = 1200;
  static constexpr size_t kSerialNumberUnits = 32;

  ~CZtFwUpdStateMach() override;
  CZtFwUpdStateMach(const CZtFwUpdStateMach&) = delete;
  CZtFwUpdStateMach& operator=(const CZtFwUpdStateMach&) = delete;

  virtual void SetNextState(CZtFwUpdState* state);
  virtual bool ReturnMsgToApp(CZtFwUpdMsg* msg);
  virtual bool PostMsgToApp(uint32_t lParam, CZtFwUpdMsg* msg);

  void SetCommonState(CZtFwUpdState* state);
  // Becomes the current state if there is none yet, and its StateStart is
  // queued at normal priority.
  void SetStartingState(CZtFwUpdState* state);

  // The control thread's whole life. Ends the calling thread (releasing
  // the plugin library when the host gave its handle); does not return.
  [[noreturn]] void Run();

  // Called at the end of the control thread, before the log is destroyed;
  // the controller uses it to wait for its worker and destroy the drive
  // manager. A hook that returns false keeps the plugin library loaded: the
  // thread then ends without releasing it, because code of the library may
  // still be running elsewhere.
  using EndOfThreadHook = bool (*)();
  void SetEndOfThreadHook(EndOfThreadHook hook) { m_endOfThreadHook = hook; }

  // Lent-message ledger and the release rule.
  bool ReleaseMsg(CZtFwUpdMsg* msg);
  bool AddLentMsg(CZtFwUpdMsg* msg);
  bool RemoveLentMsg(CZtFwUpdMsg* msg);
  void ReleaseAllMsgs(std::list<CZtFwUpdMsg*>& msgs);
  // 1 when the ledger is empty; 0 when not or when its lock was not had.
  bool AllLentMsgsReleased();

  CZtFwUpdMsgQueue& queue() { return m_queue; }

 protected:
  CZtFwUpdStateMach();

  void DispatchMsg(CZtFwUpdMsg* msg);
  // Carries out requested state changes until none is pending.
  void ChangeStates();
  // The message loop and the final purge; what Run guards.
  void RunLoop(CZtFwUpdMsg*& currentMsg);

  WString m_configFilePath;
  bool m_bStop;
  CZtFwUpdEvent m_exitEvent;
  std::vector<WString> m_deviceIdPrefixes;
  uint32_t m_appMessage;
  void* m_appWindow;
  platform::ModuleHandle m_pluginModule;
  WChar m_serialNumber[kSerialNumberUnits];
  uint32_t m_vendorId;
  uint32_t m_productId;
  CZtFwUpdState* m_pCurrentState;
  CZtFwUpdState* m_pNextState;
  CZtFwUpdMsgQueue m_queue;
  CZtFwUpdMsg* m_pStateExitMsg;
  CZtFwUpdMsg* m_pStateStartMsg;
  CZtFwUpdMsg* m_pStateEnterMsg;
  CZtFwUpdState* m_pCommonState;
  CZtFwUpdSemaphore m_lentDllMsgsLock;
  std::list<CZtFwUpdMsg*> m_lentDllMsgs;

 private:
  // Writes the report of an exception that ended the loop.
  void ReportException(const WString& kind, const WString* programText,
                       const CZtFwUpdMsg* currentMsg) const;

  EndOfThreadHook m_endOfThreadHook = nullptr;
};

}  // namespace bridgefw
