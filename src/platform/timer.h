// Timer queues: one-shot timers with millisecond due times whose callbacks
// run on a thread of the queue, never on the thread that created the timer.
//
// POSIX: each queue has one worker thread, so the callbacks of one queue
// run one at a time, in the order of their due times. A callback may create
// and delete timers of its own queue, itself included.
//
// Failures return null/false and set the thread's last error:
// kErrorInvalidHandle for an unknown or deleted queue or timer,
// kErrorInvalidParameter for a missing argument, kErrorNotSupported for a
// period other than 0, kErrorNoSystemResources when the system cannot make
// the queue or timer.
#pragma once

#include <cstdint>

#include "platform/sync.h"

namespace bridgefw::platform {

using TimerQueueHandle = void*;
using TimerHandle = void*;
// `fired` is always true for a timer that expired.
using TimerCallback = void (*)(void* context, bool fired);

// How long DeleteTimerQueueObject waits for a callback that is running.
constexpr uint32_t kTimerQueueDeleteWaitMs = 5000;

// CreateTimerQueue: a new queue, or null.
TimerQueueHandle CreateTimerQueueObject();

// CreateTimerQueueTimer: a timer of `queue` that calls
// callback(context, true) once, on the queue's thread, no earlier than
// `dueMs` milliseconds from now. Only one-shot timers are offered:
// `periodMs` must be 0. `flags` are accepted and ignored (every callback
// runs on the queue's thread). `*timer` is written before the callback can
// run, and only on success. A fired timer's handle stays valid until the
// timer is deleted.
bool CreateTimerQueueTimerObject(TimerHandle* timer, TimerQueueHandle queue, TimerCallback callback,
                                 void* context, uint32_t dueMs, uint32_t periodMs, uint32_t flags);

// DeleteTimerQueueTimer: the timer never calls its callback after this
// call has returned, except for a call that is already running, which
// finishes. The call does not wait for it. When `completionEvent` (an
// event of platform/sync.h) is given, it is signalled as soon as no
// callback of the timer is running any more: at once when none runs, else
// when the running one returns. With a null event the call may be made
// from inside the timer's own callback.
// True when the timer was known to the queue. For an unknown timer (for
// instance one deleted before) the result is false with
// kErrorInvalidHandle, and the event is still signalled: a timer that is
// gone can never fire.
bool DeleteTimerQueueTimerObject(TimerQueueHandle queue, TimerHandle timer, Handle completionEvent);

// DeleteTimerQueue: deletes the queue and every timer of it; pending
// timers never fire. Unlike DeleteTimerQueue on Windows, the call waits up
// to kTimerQueueDeleteWaitMs for a callback that is running to return (not
// when called from inside a callback of the queue), so that the caller may
// unload the callbacks' code right afterwards. A callback that overstays
// that wait finishes on its own. True when the queue was known.
bool DeleteTimerQueueObject(TimerQueueHandle queue);

}  // namespace bridgefw::platform
