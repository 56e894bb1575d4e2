// Threads: created suspended and resumed, joined with a time-out, and the
// value that identifies a thread to a host.
//
// A ThreadObject is a record of the platform layer; it stays valid after its
// thread has ended, until CloseThread. Each ThreadObject is waited for by
// at most one thread at a time.
#pragma once

#include <cstdint>

namespace bridgefw::platform {

struct ThreadObject;
using ThreadProc = uint32_t (*)(void* argument);

// Creates a thread at normal priority with the default stack size that
// does not run until ResumeThread. Null on failure (last error set).
ThreadObject* CreateSuspendedThread(ThreadProc proc, void* argument);

// Lets a suspended thread run. False when it was already resumed.
bool ResumeThread(ThreadObject* thread);

// Waits up to timeoutMs for the thread to end. kWaitObject0 with the exit
// code (the proc's result, or the code given to ExitCurrentThread) stored
// in `exitCode` when given; kWaitTimeout; kWaitFailed for a null thread.
// Waiting again after the thread ended returns kWaitObject0 again.
uint32_t WaitForThread(ThreadObject* thread, uint32_t timeoutMs, uint32_t* exitCode);

// Frees the record. A thread that is still running goes on, detached.
bool CloseThread(ThreadObject* thread);

// Gives the thread to a host: frees the record and returns the thread's
// host value, which stays valid after the thread has ended until the host
// is done with it (POSIX: the thread is left joinable and the host joins
// the pthread_t; Windows: the HANDLE stays open and the host owns it).
void* HandThreadToHost(ThreadObject* thread);

// The value by which a host knows the thread: on POSIX the pthread_t (as a
// pointer-sized value), on Windows the thread's HANDLE. For the calling
// thread, CurrentThreadHostValue returns the same value that
// ThreadHostValue gave for its ThreadObject.
void* ThreadHostValue(ThreadObject* thread);
void* CurrentThreadHostValue();

// Ends the calling thread with `exitCode`. Does not return; the stack is
// unwound on POSIX (destructors run), so callers must not swallow the
// unwinding with catch (...) without rethrowing.
[[noreturn]] void ExitCurrentThread(uint32_t exitCode);

// Sleep for at least `milliseconds`.
void SleepMilliseconds(uint32_t milliseconds);

}  // namespace bridgefw::platform
