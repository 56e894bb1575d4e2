// CZtFwUpdMsgQueue: the control thread's inbox. Two first-in-first-out
// lists (high and normal priority) under one lock, and a counting semaphore
// that holds one count per message put in.
//
// Producers: any thread. Consumer: the control thread only, which acquires
// one count of `semaphore()` before each RemoveNextMsg. The queue holds
// record addresses; it deletes records only when purged.
#pragma once

#include <deque>
#include <mutex>

#include "fwupd/message.h"
#include "fwupd/object.h"
#include "fwupd/semaphore.h"

namespace bridgefw {

class CZtFwUpdMsgQueue : public CZtFwUpdObject {
 public:
  static constexpr int32_t kMaxCount = 0x7FFFFFFF;

  CZtFwUpdMsgQueue();
  ~CZtFwUpdMsgQueue() override;
  CZtFwUpdMsgQueue(const CZtFwUpdMsgQueue&) = delete;
  CZtFwUpdMsgQueue& operator=(const CZtFwUpdMsgQueue&) = delete;

  // Append and count. A null record is refused (false, nothing queued);
  // otherwise true, also when the count could not be raised (the record
  // then waits until a later count lets the control thread in).
  bool AddMsgHighPriority(CZtFwUpdMsg* msg);
  bool AddMsgNormalPriority(CZtFwUpdMsg* msg);

  // The head of the high list, else the head of the normal list, else null.
  CZtFwUpdMsg* RemoveNextMsg();

  // Empties both lists. Records that are neither persistent nor DLL
  // messages are deleted; persistent ones live on and DLL messages are left
  // to the lent-message ledger. The semaphore's count is not reduced.
  void PurgeMsgs();

  CZtFwUpdSemaphore& semaphore() { return m_msgSemaphore; }

 private:
  bool Add(std::deque<CZtFwUpdMsg*>& list, CZtFwUpdMsg* msg);

  std::deque<CZtFwUpdMsg*> m_normalMsgs;
  std::deque<CZtFwUpdMsg*> m_highMsgs;
  CZtFwUpdSemaphore m_msgSemaphore;
  std::mutex m_queueLock;
};

}  // namespace bridgefw
