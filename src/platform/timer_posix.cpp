// Timer queues for POSIX: one worker thread per queue.
//
// The worker sleeps until the earliest due time among the queue's timers
// that have not fired yet, marks that timer as running and calls its
// callback with the queue's mutex released, so that a callback may create
// and delete timers. A timer deleted while its callback runs is only
// marked; the worker removes it, and signals the completion events that
// the deleters handed in, once the callback has returned.
//
// Handles are ids, never pointers, and are never reused: a deleted queue
// or timer is recognised and answered with kErrorInvalidHandle. The worker
// holds its own reference of the queue's state, so a worker that overstays
// the deletion wait finishes without touching freed memory.
#include "platform/timer.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/error.h"
#include "platform/fault.h"
#include "platform/thread.h"

namespace bridgefw::platform {
namespace {

using Clock = std::chrono::steady_clock;

struct Timer {
  TimerCallback callback = nullptr;
  void* context = nullptr;
  Clock::time_point due;
  bool fired = false;    // handed to the worker; a one-shot timer never runs again
  bool running = false;  // its callback is running now
  bool deleted = false;  // deleted while running: the worker removes it afterwards
  std::vector<Handle> completionEvents;
};

struct QueueState {
  std::mutex mutex;
  std::condition_variable wake;
  std::map<uintptr_t, Timer> timers;
  bool closing = false;
};

struct QueueEntry {
  std::shared_ptr<QueueState> state;
  ThreadObject* worker = nullptr;
};

struct Registry {
  std::mutex mutex;
  std::unordered_map<uintptr_t, QueueEntry> queues;
  uintptr_t lastQueueId = 0;
  uintptr_t lastTimerId = 0;
};

// Built on first use, so that a static object that creates a queue while it
// is constructed is destroyed before the registry.
Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

uintptr_t IdOf(void* handle) {
  return reinterpret_cast<uintptr_t>(handle);
}

std::shared_ptr<QueueState> FindQueue(TimerQueueHandle queue) {
  if (queue == nullptr) return nullptr;
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  const auto it = registry.queues.find(IdOf(queue));
  return it == registry.queues.end() ? nullptr : it->second.state;
}

uintptr_t NextTimerId() {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  return ++registry.lastTimerId;
}

// The caller holds the queue's mutex.
std::map<uintptr_t, Timer>::iterator EarliestPending(QueueState& queue) {
  auto earliest = queue.timers.end();
  for (auto it = queue.timers.begin(); it != queue.timers.end(); ++it) {
    if (it->second.fired) continue;
    if (earliest == queue.timers.end() || it->second.due < earliest->second.due) earliest = it;
  }
  return earliest;
}

void SignalAll(const std::vector<Handle>& events) {
  for (Handle event : events) SetEventObject(event);
}

uint32_t Worker(void* raw) {
  std::shared_ptr<QueueState> state;
  {
    std::unique_ptr<std::shared_ptr<QueueState>> start(
        static_cast<std::shared_ptr<QueueState>*>(raw));
    state = std::move(*start);
  }
  QueueState& queue = *state;
  std::unique_lock<std::mutex> lock(queue.mutex);
  while (!queue.closing) {
    const auto next = EarliestPending(queue);
    if (next == queue.timers.end()) {
      queue.wake.wait(lock);
      continue;
    }
    // A copy: the timer may be deleted while the worker sleeps.
    const Clock::time_point due = next->second.due;
    if (due > Clock::now()) {
      queue.wake.wait_until(lock, due);
      continue;
    }
    // A running timer is never erased by others, so `timer` stays valid.
    const uintptr_t id = next->first;
    Timer& timer = next->second;
    timer.fired = true;
    timer.running = true;
    const TimerCallback callback = timer.callback;
    void* const context = timer.context;
    lock.unlock();
    callback(context, true);
    lock.lock();
    timer.running = false;
    const std::vector<Handle> events = std::move(timer.completionEvents);
    timer.completionEvents.clear();
    if (timer.deleted || queue.closing) queue.timers.erase(id);
    lock.unlock();
    SignalAll(events);
    lock.lock();
  }
  queue.timers.clear();
  return 0;
}

}  // namespace

TimerQueueHandle CreateTimerQueueObject() {
  if (ShouldFail(FaultSite::kCreateTimerQueue)) {
    SetLastErrorCode(kErrorNoSystemResources);
    return nullptr;
  }
  Registry& registry = TheRegistry();
  uintptr_t id = 0;
  try {
    auto state = std::make_shared<QueueState>();
    auto start = std::make_unique<std::shared_ptr<QueueState>>(state);
    {
      std::lock_guard<std::mutex> lock(registry.mutex);
      id = ++registry.lastQueueId;
      registry.queues.emplace(id, QueueEntry{std::move(state), nullptr});
    }
    ThreadObject* worker = CreateSuspendedThread(&Worker, start.get());
    std::lock_guard<std::mutex> lock(registry.mutex);
    if (worker == nullptr) {
      registry.queues.erase(id);
      return nullptr;  // last error set
    }
    start.release();  // the worker owns it
    registry.queues[id].worker = worker;
    ResumeThread(worker);
    return reinterpret_cast<TimerQueueHandle>(id);
  } catch (const std::bad_alloc&) {
    if (id != 0) {
      std::lock_guard<std::mutex> lock(registry.mutex);
      registry.queues.erase(id);
    }
    SetLastErrorCode(kErrorNotEnoughMemory);
    return nullptr;
  }
}

bool CreateTimerQueueTimerObject(TimerHandle* timer, TimerQueueHandle queue, TimerCallback callback,
                                 void* context, uint32_t dueMs, uint32_t periodMs,
                                 uint32_t /*flags*/) {
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
  const std::shared_ptr<QueueState> state = FindQueue(queue);
  if (state == nullptr) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  const uintptr_t id = NextTimerId();
  std::lock_guard<std::mutex> lock(state->mutex);
  if (state->closing) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  try {
    Timer entry;
    entry.callback = callback;
    entry.context = context;
    entry.due = Clock::now() + std::chrono::milliseconds(dueMs);
    state->timers.emplace(id, std::move(entry));
  } catch (const std::bad_alloc&) {
    SetLastErrorCode(kErrorNotEnoughMemory);
    return false;
  }
  // Written under the queue's mutex, which the worker needs before it can
  // run the callback.
  *timer = reinterpret_cast<TimerHandle>(id);
  state->wake.notify_one();
  return true;
}

bool DeleteTimerQueueTimerObject(TimerQueueHandle queue, TimerHandle timer,
                                 Handle completionEvent) {
  bool known = false;
  bool signalNow = true;
  const std::shared_ptr<QueueState> state = FindQueue(queue);
  if (state != nullptr && timer != nullptr) {
    std::lock_guard<std::mutex> lock(state->mutex);
    const auto it = state->timers.find(IdOf(timer));
    if (it != state->timers.end()) {
      known = true;
      if (it->second.running) {
        it->second.deleted = true;
        if (completionEvent != nullptr) {
          try {
            it->second.completionEvents.push_back(completionEvent);
            signalNow = false;
          } catch (const std::bad_alloc&) {
            // Not remembered: signalled at once below, like an unknown timer.
          }
        }
      } else {
        state->timers.erase(it);
        state->wake.notify_one();
      }
    }
  }
  if (signalNow && completionEvent != nullptr) SetEventObject(completionEvent);
  if (!known) SetLastErrorCode(kErrorInvalidHandle);
  return known;
}

bool DeleteTimerQueueObject(TimerQueueHandle queue) {
  QueueEntry entry;
  {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    const auto it = queue == nullptr ? registry.queues.end() : registry.queues.find(IdOf(queue));
    if (it == registry.queues.end()) {
      SetLastErrorCode(kErrorInvalidHandle);
      return false;
    }
    entry = std::move(it->second);
    registry.queues.erase(it);
  }
  {
    std::lock_guard<std::mutex> lock(entry.state->mutex);
    entry.state->closing = true;
    // A running timer is left to the worker, which removes it afterwards.
    for (auto it = entry.state->timers.begin(); it != entry.state->timers.end();) {
      it = it->second.running ? std::next(it) : entry.state->timers.erase(it);
    }
    entry.state->wake.notify_all();
  }
  // From inside a callback the worker cannot be waited for: it ends once
  // that callback has returned.
  if (CurrentThreadHostValue() != ThreadHostValue(entry.worker)) {
    WaitForThread(entry.worker, kTimerQueueDeleteWaitMs, nullptr);
  }
  CloseThread(entry.worker);
  return true;
}

}  // namespace bridgefw::platform
