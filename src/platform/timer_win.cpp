// Timer queues on Windows: CreateTimerQueue and its timers, run by the
// system's thread pool.
//
// The handles given out are records of ours that wrap the system's, kept in
// a registry, so that an unknown or deleted queue or timer is answered with
// kErrorInvalidHandle instead of reaching the system. A timer's record lives
// as long as its queue, since a callback that is running still uses it.

// windows.h comes before every other system header.
#include <windows.h>

#include <memory>
#include <mutex>
#include <new>
#include <set>
#include <vector>

#include "platform/error.h"
#include "platform/fault.h"
#include "platform/timer.h"

namespace bridgefw::platform {
namespace {

struct QueueRecord;

struct TimerRecord {
  HANDLE system = nullptr;
  TimerCallback callback = nullptr;
  void* context = nullptr;
  QueueRecord* queue = nullptr;
  bool deleted = false;
};

struct QueueRecord {
  HANDLE system = nullptr;
  std::mutex lock;  // guards `timers` and the records' fields
  std::vector<std::unique_ptr<TimerRecord>> timers;
};

struct Registry {
  std::mutex lock;
  std::set<QueueRecord*> queues;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

// The queue whose callback runs on this thread, if any.
thread_local QueueRecord* t_callbackQueue = nullptr;

VOID CALLBACK Fire(PVOID parameter, BOOLEAN /*timedOut*/) {
  auto* timer = static_cast<TimerRecord*>(parameter);
  QueueRecord* const outer = t_callbackQueue;
  t_callbackQueue = timer->queue;
  timer->callback(timer->context, true);
  t_callbackQueue = outer;
}

QueueRecord* FindQueue(TimerQueueHandle handle) {
  Registry& registry = TheRegistry();
  const std::lock_guard<std::mutex> guard(registry.lock);
  auto* queue = static_cast<QueueRecord*>(handle);
  return registry.queues.count(queue) != 0 ? queue : nullptr;
}

}  // namespace

TimerQueueHandle CreateTimerQueueObject() {
  if (ShouldFail(FaultSite::kCreateTimerQueue)) {
    SetLastErrorCode(kErrorNoSystemResources);
    return nullptr;
  }
  auto queue = std::unique_ptr<QueueRecord>(new (std::nothrow) QueueRecord);
  if (queue == nullptr) {
    SetLastErrorCode(kErrorNoSystemResources);
    return nullptr;
  }
  queue->system = ::CreateTimerQueue();
  if (queue->system == nullptr) return nullptr;
  try {
    Registry& registry = TheRegistry();
    const std::lock_guard<std::mutex> guard(registry.lock);
    registry.queues.insert(queue.get());
  } catch (const std::bad_alloc&) {
    ::DeleteTimerQueueEx(queue->system, nullptr);
    SetLastErrorCode(kErrorNoSystemResources);
    return nullptr;
  }
  return queue.release();
}

bool CreateTimerQueueTimerObject(TimerHandle* timer, TimerQueueHandle queueHandle,
                                 TimerCallback callback, void* context, uint32_t dueMs,
                                 uint32_t periodMs, uint32_t /*flags*/) {
  if (ShouldFail(FaultSite::kCreateTimer)) {
    SetLastErrorCode(kErrorNoSystemResources);
    return false;
  }
  if (timer == nullptr || callback == nullptr) {
    SetLastErrorCode(kErrorInvalidParameter);
    return false;
  }
  if (periodMs != 0) {
    SetLastErrorCode(kErrorNotSupported);
    return false;
  }
  QueueRecord* queue = FindQueue(queueHandle);
  if (queue == nullptr) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  try {
    auto record = std::make_unique<TimerRecord>();
    record->callback = callback;
    record->context = context;
    record->queue = queue;
    TimerRecord* const made = record.get();
    // Held until the system handle is stored: a callback that deletes its
    // own timer waits for it.
    const std::lock_guard<std::mutex> guard(queue->lock);
    queue->timers.push_back(std::move(record));
    TimerHandle const previous = *timer;
    *timer = made;
    if (::CreateTimerQueueTimer(&made->system, queue->system, &Fire, made, dueMs, 0,
                                WT_EXECUTEONLYONCE) == 0) {
      const DWORD error = ::GetLastError();
      *timer = previous;
      queue->timers.pop_back();
      SetLastErrorCode(error == 0 ? kErrorNoSystemResources : error);
      return false;
    }
    return true;
  } catch (const std::bad_alloc&) {
    SetLastErrorCode(kErrorNoSystemResources);
    return false;
  }
}

bool DeleteTimerQueueTimerObject(TimerQueueHandle queueHandle, TimerHandle timerHandle,
                                 Handle completionEvent) {
  QueueRecord* queue = FindQueue(queueHandle);
  TimerRecord* timer = nullptr;
  if (queue != nullptr) {
    const std::lock_guard<std::mutex> guard(queue->lock);
    for (const auto& record : queue->timers) {
      if (record.get() == timerHandle && !record->deleted) timer = record.get();
    }
    if (timer != nullptr) {
      timer->deleted = true;
      // Never waits: with an event the system signals it once no callback
      // of the timer runs; without one a running callback just finishes.
      if (::DeleteTimerQueueTimer(queue->system, timer->system, completionEvent) == 0 &&
          ::GetLastError() != ERROR_IO_PENDING) {
        timer = nullptr;
      }
    }
  }
  if (timer == nullptr) {
    // A timer that is gone can never fire.
    if (completionEvent != nullptr) ::SetEvent(completionEvent);
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  return true;
}

bool DeleteTimerQueueObject(TimerQueueHandle queueHandle) {
  auto* queue = static_cast<QueueRecord*>(queueHandle);
  {
    Registry& registry = TheRegistry();
    const std::lock_guard<std::mutex> guard(registry.lock);
    if (registry.queues.erase(queue) == 0) {
      SetLastErrorCode(kErrorInvalidHandle);
      return false;
    }
  }
  // From inside a callback of this queue nothing is waited for; the records
  // stay, since that callback still runs.
  if (t_callbackQueue == queue) {
    ::DeleteTimerQueueEx(queue->system, nullptr);
    return true;
  }
  const HANDLE done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (::DeleteTimerQueueEx(queue->system, done) == 0 && ::GetLastError() != ERROR_IO_PENDING) {
    if (done != nullptr) ::CloseHandle(done);
    return false;
  }
  // Bounded: a callback may be waiting for a lock that the caller holds.
  // One that overstays keeps its records (and the event it will signal).
  if (done != nullptr && ::WaitForSingleObject(done, kTimerQueueDeleteWaitMs) == WAIT_OBJECT_0) {
    ::CloseHandle(done);
    delete queue;
  }
  return true;
}

}  // namespace bridgefw::platform
