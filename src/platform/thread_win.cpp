// Threads on Windows: CreateThread suspended, ResumeThread, the thread
// HANDLE as the host's value.

// windows.h comes before every other system header.
#include <windows.h>

#include <new>

#include "platform/error.h"
#include "platform/fault.h"
#include "platform/sync.h"
#include "platform/thread.h"
#include "platform/thread_exit_win.h"

namespace bridgefw::platform {

struct ThreadObject {
  HANDLE handle = nullptr;
};

namespace {

// What the new thread runs; freed by the thread.
struct StartBlock {
  ThreadProc proc;
  void* argument;
  HANDLE handle;  // set before the thread is resumed
};

thread_local HANDLE t_threadHandle = nullptr;

DWORD WINAPI ThreadEntry(LPVOID parameter) {
  const StartBlock start = *static_cast<StartBlock*>(parameter);
  delete static_cast<StartBlock*>(parameter);
  t_threadHandle = start.handle;
  HMODULE release = nullptr;
  DWORD exitCode = 0;
  try {
    exitCode = start.proc(start.argument);
  } catch (const ThreadExit& exit) {
    exitCode = exit.exitCode;
    release = static_cast<HMODULE>(exit.module);
  }
  if (release != nullptr) ::FreeLibraryAndExitThread(release, exitCode);
  return exitCode;
}

}  // namespace

bool IsPlatformThread() {
  return t_threadHandle != nullptr;
}

ThreadObject* CreateSuspendedThread(ThreadProc proc, void* argument) {
  if (ShouldFail(FaultSite::kCreateThread)) {
    SetLastErrorCode(kErrorNotEnoughMemory);
    return nullptr;
  }
  if (proc == nullptr) {
    SetLastErrorCode(kErrorInvalidParameter);
    return nullptr;
  }
  auto* thread = new (std::nothrow) ThreadObject;
  auto* start = new (std::nothrow) StartBlock{proc, argument, nullptr};
  if (thread == nullptr || start == nullptr) {
    delete thread;
    delete start;
    SetLastErrorCode(kErrorNotEnoughMemory);
    return nullptr;
  }
  thread->handle = ::CreateThread(nullptr, 0, &ThreadEntry, start, CREATE_SUSPENDED, nullptr);
  if (thread->handle == nullptr) {
    const DWORD error = ::GetLastError();
    delete thread;
    delete start;
    SetLastErrorCode(error);
    return nullptr;
  }
  start->handle = thread->handle;
  return thread;
}

bool ResumeThread(ThreadObject* thread) {
  if (thread == nullptr) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  const DWORD previous = ::ResumeThread(thread->handle);
  return previous != static_cast<DWORD>(-1) && previous > 0;
}

uint32_t WaitForThread(ThreadObject* thread, uint32_t timeoutMs, uint32_t* exitCode) {
  if (thread == nullptr) {
    SetLastErrorCode(kErrorInvalidHandle);
    return kWaitFailed;
  }
  const DWORD result = ::WaitForSingleObject(thread->handle, timeoutMs);
  if (result == WAIT_OBJECT_0 && exitCode != nullptr) {
    DWORD code = 0;
    ::GetExitCodeThread(thread->handle, &code);
    *exitCode = code;
  }
  return result;
}

bool CloseThread(ThreadObject* thread) {
  if (thread == nullptr) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  const bool closed = ::CloseHandle(thread->handle) != 0;
  delete thread;
  return closed;
}

void* HandThreadToHost(ThreadObject* thread) {
  if (thread == nullptr) return nullptr;
  HANDLE handle = thread->handle;
  delete thread;
  return handle;
}

void* ThreadHostValue(ThreadObject* thread) {
  return thread != nullptr ? thread->handle : nullptr;
}

void* CurrentThreadHostValue() {
  // Threads that the platform did not start have no handle of ours (the
  // pseudo-handle would be the same for all of them): their id stands in.
  if (t_threadHandle != nullptr) return t_threadHandle;
  return reinterpret_cast<void*>(static_cast<uintptr_t>(::GetCurrentThreadId()));
}

void ExitCurrentThread(uint32_t exitCode) {
  if (IsPlatformThread()) throw ThreadExit{exitCode, nullptr};
  ::ExitThread(exitCode);
}

void SleepMilliseconds(uint32_t milliseconds) {
  ::Sleep(milliseconds);
}

}  // namespace bridgefw::platform
