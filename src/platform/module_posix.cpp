// Releasing a module while the calling thread ends, for POSIX.
//
// The module may be the library that this code belongs to, and dlclose may
// unmap it. So the dlclose must happen after the last instruction of the
// library has run on this thread: it is registered as a thread-exit
// destructor, which glibc runs once pthread_exit has unwound the thread's
// stack, i.e. once no frame of the library is left on it.
//
// Two details keep the library's code out of that step:
// - The destructor is dlclose itself, not a function of ours that calls it,
//   since such a function would return into unmapped code. dlclose returns
//   an int where a destructor returns nothing; the C calling conventions of
//   the supported targets return it in a register that the caller ignores.
// - The destructor is registered on behalf of the C library (its dlclose is
//   given as the owning object). Registered on behalf of our own library, it
//   would count as a pending destructor of that library and glibc would
//   defer the unload that dlclose is meant to cause.
// Destructors run last-registered first, so this one runs before those of
// any thread_local object of the thread; a thread_local of the library with
// a destructor would likewise keep the library loaded.
#include "platform/module.h"

#include <dlfcn.h>

#include "platform/thread.h"

// glibc's registration of thread-exit destructors (what thread_local objects
// use); not declared in any header.
extern "C" int __cxa_thread_atexit_impl(void (*destructor)(void*), void* object, void* dsoSymbol);

namespace bridgefw::platform {

void ReleaseModuleAndExitThread(ModuleHandle module, uint32_t exitCode) {
  if (module != nullptr) {
    using ThreadExitDestructor = void (*)(void*);
    // Through void (*)() because a cast between these function types is
    // otherwise diagnosed.
    const auto close =
        reinterpret_cast<ThreadExitDestructor>(reinterpret_cast<void (*)()>(&dlclose));
    __cxa_thread_atexit_impl(close, module, reinterpret_cast<void*>(&dlclose));
  }
  ExitCurrentThread(exitCode);
}

}  // namespace bridgefw::platform
