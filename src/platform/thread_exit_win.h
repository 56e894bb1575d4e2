// Windows implementation detail: how a thread of ours ends early.
//
// ExitCurrentThread and ReleaseModuleAndExitThread unwind the thread's
// stack, as pthread_exit does on POSIX, by throwing ThreadExit; the thread's
// entry (thread_win.cpp) catches it and ends the thread with ExitThread, or
// with FreeLibraryAndExitThread when a module is to be released: that call
// frees the library and ends the thread without returning into it.
#pragma once

#include <cstdint>

namespace bridgefw::platform {

struct ThreadExit {
  uint32_t exitCode;
  void* module;  // HMODULE to release, or null
};

// True on a thread that CreateSuspendedThread started (the throw is caught).
bool IsPlatformThread();

}  // namespace bridgefw::platform
