// The release rule and the ledger of DLL messages that are out with the
// host: members of the state machine, used from host threads, the control
// thread and timer threads at once. The ledger lock is held for one list
// operation only (or for the final walk), and never together with the
// queue's lock.
#include <algorithm>

#include "fwupd/state_machine.h"

namespace bridgefw {
namespace {

void DeleteUnlessPersistent(CZtFwUpdMsg* msg) {
  if (msg->isPersistent == 0) delete msg;
}

}  // namespace

bool CZtFwUpdStateMach::AddLentMsg(CZtFwUpdMsg* msg) {
  if (msg == nullptr) return false;
  if (!m_lentDllMsgsLock.Lock(kLedgerLockMilliseconds)) return false;
  m_lentDllMsgs.push_back(msg);
  m_lentDllMsgsLock.Unlock();
  return true;
}

bool CZtFwUpdStateMach::RemoveLentMsg(CZtFwUpdMsg* msg) {
  if (msg == nullptr) return false;
  if (!m_lentDllMsgsLock.Lock(kLedgerLockMilliseconds)) return false;
  const auto entry = std::find(m_lentDllMsgs.begin(), m_lentDllMsgs.end(), msg);
  const bool found = entry != m_lentDllMsgs.end();
  if (found) m_lentDllMsgs.erase(entry);
  m_lentDllMsgsLock.Unlock();
  return found;
}

bool CZtFwUpdStateMach::ReleaseMsg(CZtFwUpdMsg* msg) {
  if (msg == nullptr) return false;
  try {
    if (msg->isPersistent != 0) return true;
    if (msg->isDllMsg == 0) {
      delete msg;
      return true;
    }
    const bool listed = RemoveLentMsg(msg);
    delete msg;
    return listed;
  } catch (...) {
    return false;
  }
}

void CZtFwUpdStateMach::ReleaseAllMsgs(std::list<CZtFwUpdMsg*>& msgs) {
  // Each record leaves the list before it is released, so a DLL message is
  // deleted here without a second trip through the ledger's lock (the
  // caller holds it while it empties the ledger).
  while (!msgs.empty()) {
    CZtFwUpdMsg* msg = msgs.front();
    msgs.pop_front();
    if (msg != nullptr) DeleteUnlessPersistent(msg);
  }
}

bool CZtFwUpdStateMach::AllLentMsgsReleased() {
  if (!m_lentDllMsgsLock.Lock(kLedgerLockMilliseconds)) return false;
  const bool empty = m_lentDllMsgs.empty();
  m_lentDllMsgsLock.Unlock();
  return empty;
}

}  // namespace bridgefw
