// Synchronisation on Windows kernel objects: the handles are the system's.

// windows.h comes before every other system header.
#include <windows.h>

#include "platform/error.h"
#include "platform/fault.h"
#include "platform/sync.h"

// An injected fault fails a call without touching the system:
//   kCreateSemaphore, kCreateEvent  null, kErrorNoSystemResources
//   kReleaseSemaphore, kSetEvent    false, kErrorInvalidHandle
//   kWait                           kWaitFailed, kErrorInvalidHandle

namespace bridgefw::platform {

Handle CreateSemaphoreObject(int32_t initialCount, int32_t maximumCount) {
  if (ShouldFail(FaultSite::kCreateSemaphore)) {
    SetLastErrorCode(kErrorNoSystemResources);
    return nullptr;
  }
  return ::CreateSemaphoreW(nullptr, initialCount, maximumCount, nullptr);
}

Handle CreateEventObject(bool manualReset, bool initiallySignalled) {
  if (ShouldFail(FaultSite::kCreateEvent)) {
    SetLastErrorCode(kErrorNoSystemResources);
    return nullptr;
  }
  return ::CreateEventW(nullptr, manualReset ? TRUE : FALSE, initiallySignalled ? TRUE : FALSE,
                        nullptr);
}

bool ReleaseSemaphoreObject(Handle semaphore, int32_t releaseCount, int32_t* previous) {
  if (ShouldFail(FaultSite::kReleaseSemaphore)) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  // Checked here: Wine accepts a count of 0.
  if (releaseCount < 1) {
    SetLastErrorCode(kErrorInvalidParameter);
    return false;
  }
  LONG before = 0;
  if (::ReleaseSemaphore(semaphore, releaseCount, &before) == 0) return false;
  if (previous != nullptr) *previous = before;
  return true;
}

bool SetEventObject(Handle event) {
  if (ShouldFail(FaultSite::kSetEvent)) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  return ::SetEvent(event) != 0;
}

bool ResetEventObject(Handle event) {
  return ::ResetEvent(event) != 0;
}

uint32_t WaitForObject(Handle object, uint32_t timeoutMs) {
  if (ShouldFail(FaultSite::kWait)) {
    SetLastErrorCode(kErrorInvalidHandle);
    return kWaitFailed;
  }
  return ::WaitForSingleObject(object, timeoutMs);
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
  return ::WaitForMultipleObjects(count, handles, FALSE, timeoutMs);
}

bool CloseObject(Handle object) {
  if (object == nullptr) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  return ::CloseHandle(object) != 0;
}

}  // namespace bridgefw::platform
