// Kernel-object-like synchronisation: counting semaphores with a maximum,
// manual- and auto-reset events, and waits on one or several of them, with
// the results of the Windows wait functions.
//
// Handles are opaque; null is never a valid handle. Every function may be
// called from any thread. A handle stays usable until CloseObject; closing
// a handle that another thread is waiting on is the caller's error (the
// POSIX layer then ends that wait with kWaitFailed).
//
// Failures return null/false/kWaitFailed and set the thread's last error
// (platform/error.h): kErrorInvalidHandle for a null or closed handle,
// kErrorInvalidParameter for bad counts, kErrorTooManyPosts for a release
// past the maximum.
#pragma once

#include <cstdint>

namespace bridgefw::platform {

using Handle = void*;

constexpr uint32_t kInfinite = 0xFFFFFFFFu;
constexpr uint32_t kWaitObject0 = 0;
constexpr uint32_t kWaitAbandoned0 = 0x80;
constexpr uint32_t kWaitTimeout = 258;
constexpr uint32_t kWaitFailed = 0xFFFFFFFFu;
constexpr uint32_t kMaximumWaitObjects = 64;

// CreateSemaphoreW(no security, initial, maximum, no name). Null when
// initial < 0, maximum <= 0 or initial > maximum, or on resource failure.
Handle CreateSemaphoreObject(int32_t initialCount, int32_t maximumCount);

// CreateEventW(no security, manualReset, initiallySignalled, no name).
Handle CreateEventObject(bool manualReset, bool initiallySignalled);

// ReleaseSemaphore: adds releaseCount (>= 1). Fails, leaving the count
// unchanged, when the count would pass the maximum. `previous` (optional)
// receives the count before the release.
bool ReleaseSemaphoreObject(Handle semaphore, int32_t releaseCount, int32_t* previous);

// SetEvent / ResetEvent. Setting an auto-reset event releases one waiter
// (or stays signalled until one wait consumes it); a manual-reset event
// stays signalled until reset and releases every waiter.
bool SetEventObject(Handle event);
bool ResetEventObject(Handle event);

// WaitForSingleObject: kWaitObject0 when the object was signalled (a
// semaphore's count is decremented, an auto-reset event is reset),
// kWaitTimeout when timeoutMs elapsed first (a time-out of 0 only polls),
// kWaitFailed on a bad handle. kInfinite waits without limit.
uint32_t WaitForObject(Handle object, uint32_t timeoutMs);

// WaitForMultipleObjects(count, handles, wait-for-all FALSE, timeout):
// kWaitObject0 + i where i is the lowest index of a signalled object at
// the moment the wait is satisfied; only that object is acquired, the
// others are left untouched. kWaitTimeout or kWaitFailed as above; a count
// of 0 or above kMaximumWaitObjects, or any bad handle, fails.
uint32_t WaitForAnyObject(uint32_t count, const Handle* handles, uint32_t timeoutMs);

// CloseHandle for objects of this header.
bool CloseObject(Handle object);

}  // namespace bridgefw::platform
