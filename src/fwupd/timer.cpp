#include "fwupd/timer.h"

#include <new>

#include "fwupd/event.h"
#include "fwupd/state_machine.h"

namespace bridgefw {
namespace {

// The locking convention of every timer operation: the process lock, then
// the timer's lock, each waited for at most 2000 ms; released in reverse.
class TimerLocks {
 public:
  explicit TimerLocks(CZtFwUpdSemaphore& timerLock) : m_timerLock(timerLock) {
    CZtFwUpdSemaphore* processLock = CZtFwUpdTimerQueue::s_lock.load();
    if (CZtFwUpdTimerQueue::s_hTimerQueue.load() == nullptr || processLock == nullptr ||
        processLock->handle() == nullptr) {
      return;
    }
    if (!processLock->Lock(CZtFwUpdTimerQueue::kLockMilliseconds)) return;
    m_processLock = processLock;
    m_haveTimerLock = m_timerLock.Lock(CZtFwUpdTimerQueue::kLockMilliseconds);
  }
  ~TimerLocks() {
    if (m_haveTimerLock) m_timerLock.Unlock();
    if (m_processLock != nullptr && CZtFwUpdTimerQueue::s_hTimerQueue.load() != nullptr) {
      m_processLock->Unlock();
    }
  }
  TimerLocks(const TimerLocks&) = delete;
  TimerLocks& operator=(const TimerLocks&) = delete;

  // Both locks are held: the operation's body may run.
  bool Held() const { return m_processLock != nullptr && m_haveTimerLock; }

 private:
  CZtFwUpdSemaphore& m_timerLock;
  CZtFwUpdSemaphore* m_processLock = nullptr;
  bool m_haveTimerLock = false;
};

}  // namespace

std::atomic<platform::TimerQueueHandle> CZtFwUpdTimerQueue::s_hTimerQueue{nullptr};
std::atomic<CZtFwUpdSemaphore*> CZtFwUpdTimerQueue::s_lock{nullptr};

CZtFwUpdTimerQueue::CZtFwUpdTimerQueue() {
  if (s_lock.load() == nullptr) s_lock.store(new (std::nothrow) CZtFwUpdSemaphore(1, 1));
  if (s_hTimerQueue.load() == nullptr) s_hTimerQueue.store(platform::CreateTimerQueueObject());
}

CZtFwUpdTimerQueue::~CZtFwUpdTimerQueue() {
  CZtFwUpdSemaphore* lock = s_lock.load();
  const platform::TimerQueueHandle queue = s_hTimerQueue.load();
  if (queue != nullptr && lock != nullptr && lock->handle() != nullptr &&
      lock->Lock(kLockMilliseconds)) {
    // The lock stays held once the queue is gone: nothing may use it again.
    if (platform::DeleteTimerQueueObject(queue)) {
      s_hTimerQueue.store(nullptr);
    } else {
      lock->Unlock();
    }
  }
  // With the queue gone no callback can be waiting for the lock any more.
  if (s_hTimerQueue.load() == nullptr) delete s_lock.exchange(nullptr);
}

CZtFwUpdWatchdogTimer::CZtFwUpdWatchdogTimer()
    : m_hTimer(nullptr),
      m_armed(false),
      m_pTargetQueue(nullptr),
      m_pMsg(nullptr),
      m_pOwner(nullptr),
      m_lock(1, 1) {}

CZtFwUpdWatchdogTimer::~CZtFwUpdWatchdogTimer() {
  Cancel();
}

bool CZtFwUpdWatchdogTimer::Start(CZtFwUpdMsgQueue* target, CZtFwUpdMsg* msg,
                                  CZtFwUpdStateMach* owner, uint32_t dueMs) {
  Cancel();
  TimerLocks locks(m_lock);
  if (!locks.Held()) return false;
  // Still pending: a cancel did not see the completion.
  if (m_hTimer != nullptr || m_pTargetQueue != nullptr || m_armed) return false;
  m_pMsg = msg;
  m_pTargetQueue = target;
  m_pOwner = owner;
  // The callback cannot look at the members before the locks are released,
  // so the handle may be stored after the creation.
  platform::TimerHandle timer = nullptr;
  if (!platform::CreateTimerQueueTimerObject(&timer, CZtFwUpdTimerQueue::s_hTimerQueue.load(),
                                             &OnTimer, this, dueMs, 0, 0)) {
    m_pTargetQueue = nullptr;
    m_pMsg = nullptr;
    return false;
  }
  m_hTimer = timer;
  m_armed = true;
  return true;
}

bool CZtFwUpdWatchdogTimer::Cancel() {
  TimerLocks locks(m_lock);
  if (!locks.Held()) return false;
  if (m_hTimer == nullptr || m_pTargetQueue == nullptr || m_pMsg == nullptr ||
      m_pOwner == nullptr) {
    return false;
  }
  CZtFwUpdEvent completion;
  platform::DeleteTimerQueueTimerObject(CZtFwUpdTimerQueue::s_hTimerQueue.load(), m_hTimer,
                                        completion.handle());
  if (!completion.WaitForEvent()) return false;
  m_hTimer = nullptr;
  m_pOwner->ReleaseMsg(m_pMsg);
  m_pTargetQueue = nullptr;
  m_pMsg = nullptr;
  m_pOwner = nullptr;
  m_armed = false;
  return true;
}

void CZtFwUpdWatchdogTimer::OnTimer(void* context, bool /*fired*/) {
  auto* self = static_cast<CZtFwUpdWatchdogTimer*>(context);
  TimerLocks locks(self->m_lock);
  if (!locks.Held()) return;
  if (self->m_hTimer == nullptr || self->m_pTargetQueue == nullptr || self->m_pMsg == nullptr) {
    return;
  }
  self->m_pTargetQueue->AddMsgHighPriority(self->m_pMsg);
  platform::DeleteTimerQueueTimerObject(CZtFwUpdTimerQueue::s_hTimerQueue.load(), self->m_hTimer,
                                        nullptr);
  self->m_hTimer = nullptr;
  self->m_pTargetQueue = nullptr;
  self->m_pMsg = nullptr;
  self->m_pOwner = nullptr;
  self->m_armed = false;
}

}  // namespace bridgefw
