// Semaphores and events for POSIX, built on one process-wide mutex.
//
// A handle is an id in a process-wide table, never a pointer, so that a
// null, closed or made-up handle is recognised and answered with
// kErrorInvalidHandle instead of touching freed memory. The table holds the
// objects by shared_ptr, and every wait holds its own references, so a
// handle closed while another thread waits on it stays alive until that
// wait has ended (with kWaitFailed).
//
// A wait registers one waiter record, with its own condition variable, on
// each object that it waits for. Whatever may signal an object (a release,
// a set, a close) wakes the waiters registered on it; each woken waiter
// looks at its objects again, in index order, under the same mutex. One
// mutex for all objects makes the multiple-object wait simple: the check of
// all objects and the acquisition of the lowest signalled one are a single
// step that no other thread can interleave with. The objects are few and
// their operations short, so the shared mutex costs little.
#include "platform/sync.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>
#include <vector>

#include "platform/error.h"
#include "platform/fault.h"

namespace bridgefw::platform {
namespace {

using Clock = std::chrono::steady_clock;

// One thread inside a wait.
struct Waiter {
  std::condition_variable wake;
};

struct Object {
  enum class Kind { kSemaphore, kEvent };

  Kind kind = Kind::kSemaphore;
  int32_t count = 0;         // semaphore
  int32_t maximum = 0;       // semaphore
  bool manualReset = false;  // event
  bool signalled = false;    // event
  bool closed = false;
  std::vector<Waiter*> waiters;
};

struct Registry {
  std::mutex mutex;
  std::unordered_map<uintptr_t, std::shared_ptr<Object>> objects;
  uintptr_t lastId = 0;  // ids are never reused
};

// Built on first use, so that objects of other translation units may create
// handles while they are constructed, and destroyed after them.
Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

uintptr_t IdOf(Handle handle) {
  return reinterpret_cast<uintptr_t>(handle);
}

// The caller holds the registry's mutex.
std::shared_ptr<Object> Find(Registry& registry, Handle handle) {
  if (handle == nullptr) return nullptr;
  const auto it = registry.objects.find(IdOf(handle));
  return it == registry.objects.end() ? nullptr : it->second;
}

std::shared_ptr<Object> FindKind(Registry& registry, Handle handle, Object::Kind kind) {
  std::shared_ptr<Object> object = Find(registry, handle);
  return object != nullptr && object->kind == kind ? object : nullptr;
}

Handle Register(std::shared_ptr<Object> object) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  const uintptr_t id = ++registry.lastId;
  registry.objects.emplace(id, std::move(object));
  return reinterpret_cast<Handle>(id);
}

bool IsSignalled(const Object& object) {
  return object.kind == Object::Kind::kSemaphore ? object.count > 0 : object.signalled;
}

void Acquire(Object& object) {
  if (object.kind == Object::Kind::kSemaphore) {
    --object.count;
  } else if (!object.manualReset) {
    object.signalled = false;
  }
}

void WakeWaiters(const Object& object) {
  for (Waiter* waiter : object.waiters) waiter->wake.notify_one();
}

// Registers a waiter on the objects of one wait and takes it off them again
// however the wait ends.
class WaiterRegistration {
 public:
  WaiterRegistration(Waiter& waiter, const std::shared_ptr<Object>* objects, uint32_t count)
      : m_waiter(waiter), m_objects(objects), m_count(count) {}
  ~WaiterRegistration() {
    for (uint32_t i = 0; i < m_count; ++i) {
      std::vector<Waiter*>& list = m_objects[i]->waiters;
      for (size_t j = list.size(); j > 0; --j) {
        if (list[j - 1] == &m_waiter) list.erase(list.begin() + static_cast<std::ptrdiff_t>(j - 1));
      }
    }
  }
  WaiterRegistration(const WaiterRegistration&) = delete;
  WaiterRegistration& operator=(const WaiterRegistration&) = delete;

  void Add() {
    for (uint32_t i = 0; i < m_count; ++i) m_objects[i]->waiters.push_back(&m_waiter);
  }

 private:
  Waiter& m_waiter;
  const std::shared_ptr<Object>* m_objects;
  uint32_t m_count;
};

// Waits for any of `count` (1..kMaximumWaitObjects) handles.
uint32_t WaitForAny(uint32_t count, const Handle* handles, uint32_t timeoutMs) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  Registry& registry = TheRegistry();
  std::unique_lock<std::mutex> lock(registry.mutex);

  std::shared_ptr<Object> objects[kMaximumWaitObjects];
  for (uint32_t i = 0; i < count; ++i) {
    objects[i] = Find(registry, handles[i]);
    if (objects[i] == nullptr) {
      SetLastErrorCode(kErrorInvalidHandle);
      return kWaitFailed;
    }
  }

  Waiter waiter;
  WaiterRegistration registration(waiter, objects, count);
  bool registered = false;
  for (;;) {
    for (uint32_t i = 0; i < count; ++i) {
      if (objects[i]->closed) {
        SetLastErrorCode(kErrorInvalidHandle);
        return kWaitFailed;
      }
    }
    for (uint32_t i = 0; i < count; ++i) {
      if (IsSignalled(*objects[i])) {
        Acquire(*objects[i]);
        return kWaitObject0 + i;
      }
    }
    if (timeoutMs == 0) return kWaitTimeout;
    if (timeoutMs != kInfinite && Clock::now() >= deadline) return kWaitTimeout;
    if (!registered) {
      registration.Add();
      registered = true;
    }
    if (timeoutMs == kInfinite) {
      waiter.wake.wait(lock);
    } else {
      waiter.wake.wait_until(lock, deadline);
    }
  }
}

}  // namespace

Handle CreateSemaphoreObject(int32_t initialCount, int32_t maximumCount) {
  if (ShouldFail(FaultSite::kCreateSemaphore)) {
    SetLastErrorCode(kErrorNoSystemResources);
    return nullptr;
  }
  if (initialCount < 0 || maximumCount <= 0 || initialCount > maximumCount) {
    SetLastErrorCode(kErrorInvalidParameter);
    return nullptr;
  }
  try {
    auto object = std::make_shared<Object>();
    object->kind = Object::Kind::kSemaphore;
    object->count = initialCount;
    object->maximum = maximumCount;
    return Register(std::move(object));
  } catch (const std::bad_alloc&) {
    SetLastErrorCode(kErrorNotEnoughMemory);
    return nullptr;
  }
}

Handle CreateEventObject(bool manualReset, bool initiallySignalled) {
  if (ShouldFail(FaultSite::kCreateEvent)) {
    SetLastErrorCode(kErrorNoSystemResources);
    return nullptr;
  }
  try {
    auto object = std::make_shared<Object>();
    object->kind = Object::Kind::kEvent;
    object->manualReset = manualReset;
    object->signalled = initiallySignalled;
    return Register(std::move(object));
  } catch (const std::bad_alloc&) {
    SetLastErrorCode(kErrorNotEnoughMemory);
    return nullptr;
  }
}

bool ReleaseSemaphoreObject(Handle semaphore, int32_t releaseCount, int32_t* previous) {
  if (ShouldFail(FaultSite::kReleaseSemaphore)) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  const std::shared_ptr<Object> object = FindKind(registry, semaphore, Object::Kind::kSemaphore);
  if (object == nullptr) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  if (releaseCount < 1) {
    SetLastErrorCode(kErrorInvalidParameter);
    return false;
  }
  if (int64_t{object->count} + releaseCount > object->maximum) {
    SetLastErrorCode(kErrorTooManyPosts);
    return false;
  }
  if (previous != nullptr) *previous = object->count;
  object->count += releaseCount;
  WakeWaiters(*object);
  return true;
}

bool SetEventObject(Handle event) {
  if (ShouldFail(FaultSite::kSetEvent)) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  const std::shared_ptr<Object> object = FindKind(registry, event, Object::Kind::kEvent);
  if (object == nullptr) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  object->signalled = true;
  WakeWaiters(*object);
  return true;
}

bool ResetEventObject(Handle event) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  const std::shared_ptr<Object> object = FindKind(registry, event, Object::Kind::kEvent);
  if (object == nullptr) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  object->signalled = false;
  return true;
}

uint32_t WaitForObject(Handle object, uint32_t timeoutMs) {
  if (ShouldFail(FaultSite::kWait)) {
    SetLastErrorCode(kErrorInvalidHandle);
    return kWaitFailed;
  }
  return WaitForAny(1, &object, timeoutMs);
}

uint32_t WaitForAnyObject(uint32_t count, const Handle* handles, uint32_t timeoutMs) {
  if (ShouldFail(FaultSite::kWait)) {
    SetLastErrorCode(kErrorInvalidHandle);
    return kWaitFailed;
  }
  if (count == 0 || count > kMaximumWaitObjects || handles == nullptr) {
    SetLastErrorCode(kErrorInvalidParameter);
    return kWaitFailed;
  }
  return WaitForAny(count, handles, timeoutMs);
}

bool CloseObject(Handle object) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  const auto it = object == nullptr ? registry.objects.end() : registry.objects.find(IdOf(object));
  if (it == registry.objects.end()) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  const std::shared_ptr<Object> closing = std::move(it->second);
  registry.objects.erase(it);
  // Waits that still hold the object end with kWaitFailed.
  closing->closed = true;
  WakeWaiters(*closing);
  return true;
}

}  // namespace bridgefw::platform
