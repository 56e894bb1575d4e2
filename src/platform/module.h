// Modules (shared libraries) and the end of a thread that releases one.
#pragma once

#include <cstdint>

namespace bridgefw::platform {

using ModuleHandle = void*;

// FreeLibraryAndExitThread: drops one load reference of `module` and ends
// the calling thread with `exitCode`, in one step whose code does not run
// from the module. A null module only ends the thread. Does not return.
[[noreturn]] void ReleaseModuleAndExitThread(ModuleHandle module, uint32_t exitCode);

}  // namespace bridgefw::platform
