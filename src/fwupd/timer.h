// Timers of the framework: the process-wide timer queue and the one-shot
// watchdog timers that put a prepared message into a state machine's queue
// at high priority when they expire.
//
// Every timer operation takes the process lock (s_lock) and then the
// timer's own lock, each waited for at most kLockMilliseconds; an operation
// that cannot have them gives up (result false). Because every wait is
// bounded, a Cancel that waits for a callback which itself waits for the
// process lock cannot deadlock: one of the two waits times out. A time-out
// message may therefore still arrive after a Cancel that returned false;
// the state machine has to tolerate it.
#pragma once

#include <atomic>
#include <cstdint>

#include "fwupd/message.h"
#include "fwupd/msg_queue.h"
#include "fwupd/object.h"
#include "fwupd/semaphore.h"
#include "platform/timer.h"

namespace bridgefw {

class CZtFwUpdStateMach;

// The process's timer queue. Its state is static and constant-initialised
// (null), so that it may be referred to before any constructor has run; one
// object of this class creates the lock and the queue when it is
// constructed and deletes the queue when it is destroyed. A library defines
// that object after every object whose timers use it, so that the queue is
// torn down first.
class CZtFwUpdTimerQueue : public CZtFwUpdObject {
 public:
  static constexpr uint32_t kLockMilliseconds = 2000;

  // Creates s_lock (count 1, maximum 1) when there is none, then the timer
  // queue when there is none.
  CZtFwUpdTimerQueue();
  // Deletes the timer queue under s_lock (pending timers never fire); once
  // it is gone s_hTimerQueue is null and s_lock is closed.
  ~CZtFwUpdTimerQueue() override;
  CZtFwUpdTimerQueue(const CZtFwUpdTimerQueue&) = delete;
  CZtFwUpdTimerQueue& operator=(const CZtFwUpdTimerQueue&) = delete;

  static std::atomic<platform::TimerQueueHandle> s_hTimerQueue;
  static std::atomic<CZtFwUpdSemaphore*> s_lock;
};

// One one-shot timer. Idle while no timer-queue timer is pending; pending
// from a successful Start until the timer fires (the message is posted) or
// a Cancel succeeds (the message is released, not posted).
//
// Start and Cancel are called from the control thread, OnTimer runs on the
// timer queue's thread.
class CZtFwUpdWatchdogTimer : public CZtFwUpdObject {
 public:
  CZtFwUpdWatchdogTimer();
  // Cancel, then the lock is closed.
  ~CZtFwUpdWatchdogTimer() override;
  CZtFwUpdWatchdogTimer(const CZtFwUpdWatchdogTimer&) = delete;
  CZtFwUpdWatchdogTimer& operator=(const CZtFwUpdWatchdogTimer&) = delete;

  // Cancels a pending timer first (ignoring the result), then arms one that
  // posts `msg` to `target` at high priority after `dueMs`. True when it was
  // armed; false when the locks could not be had, the timer is still
  // pending (its cancel failed), or the platform timer could not be made.
  // `msg` is not owned by the timer; `owner` releases it on a cancel.
  bool Start(CZtFwUpdMsgQueue* target, CZtFwUpdMsg* msg, CZtFwUpdStateMach* owner, uint32_t dueMs);

  // True when a pending timer was deleted and its completion seen within
  // 2000 ms: the message was then handed to the owner's ReleaseMsg. False
  // when nothing was pending or the completion was not seen (the timer then
  // stays pending and may still post its message).
  bool Cancel();

  // The timer-queue callback; `context` is the watchdog timer.
  static void OnTimer(void* context, bool fired);

 protected:
  platform::TimerHandle m_hTimer;
  bool m_armed;
  CZtFwUpdMsgQueue* m_pTargetQueue;
  CZtFwUpdMsg* m_pMsg;
  CZtFwUpdStateMach* m_pOwner;
  CZtFwUpdSemaphore m_lock;
};

}  // namespace bridgefw
