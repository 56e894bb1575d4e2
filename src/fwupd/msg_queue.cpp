#include "fwupd/msg_queue.h"

namespace bridgefw {

CZtFwUpdMsgQueue::CZtFwUpdMsgQueue() : m_msgSemaphore(0, kMaxCount) {}

CZtFwUpdMsgQueue::~CZtFwUpdMsgQueue() {
  PurgeMsgs();
}

bool CZtFwUpdMsgQueue::Add(std::deque<CZtFwUpdMsg*>& list, CZtFwUpdMsg* msg) {
  if (msg == nullptr) return false;
  std::lock_guard<std::mutex> hold(m_queueLock);
  list.push_back(msg);
  // Released under the lock, so the count never runs ahead of the lists.
  m_msgSemaphore.Unlock();
  return true;
}

bool CZtFwUpdMsgQueue::AddMsgHighPriority(CZtFwUpdMsg* msg) {
  return Add(m_highMsgs, msg);
}

bool CZtFwUpdMsgQueue::AddMsgNormalPriority(CZtFwUpdMsg* msg) {
  return Add(m_normalMsgs, msg);
}

CZtFwUpdMsg* CZtFwUpdMsgQueue::RemoveNextMsg() {
  std::lock_guard<std::mutex> hold(m_queueLock);
  for (auto* list : {&m_highMsgs, &m_normalMsgs}) {
    if (!list->empty()) {
      CZtFwUpdMsg* msg = list->front();
      list->pop_front();
      return msg;
    }
  }
  return nullptr;
}

void CZtFwUpdMsgQueue::PurgeMsgs() {
  std::lock_guard<std::mutex> hold(m_queueLock);
  for (auto* list : {&m_highMsgs, &m_normalMsgs}) {
    for (CZtFwUpdMsg* msg : *list) {
      if (msg->isPersistent == 0 && msg->isDllMsg == 0) delete msg;
    }
    list->clear();
  }
}

}  // namespace bridgefw
