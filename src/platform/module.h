// Modules (shared libraries) and the end of a thread that releases one.
#pragma once

#include <cstdint>

#include "platform/text.h"

namespace bridgefw::platform {

using ModuleHandle = void*;

// Module names are given the Windows way ("QNUsbDll.dll" or "QNUsbDll").
// POSIX maps a name that contains no '/' to a shared-object file name: a
// ".dll" suffix (any case) is dropped, "lib" goes in front and ".so"
// behind ("QNUsbDll.dll" and "QNUsbDll" both become "libQNUsbDll.so"). A
// name that already ends in ".so" or holds ".so." is kept as it is, and so
// is a name with a '/', which is a path. A file name is searched for as
// dlopen searches, then in the directory of the module that holds the
// platform layer (the plugin library, or the program it is linked into).
//
// Failures return null/false and set the thread's last error
// (kErrorModNotFound when a module cannot be found or loaded,
// kErrorProcNotFound for a symbol that is not exported, kErrorInvalidHandle
// for a null module, kErrorInvalidParameter for a null name).

// GetModuleHandleW: the module of that name if the process has it loaded,
// else null. Adds no load reference: the handle is valid only as long as
// some other reference keeps the module loaded.
ModuleHandle GetLoadedModule(const WChar* name);

// LoadLibraryW: loads the module (or finds it loaded) and adds one load
// reference, which FreeModule drops. All of its symbols are bound at once,
// and none is made visible to modules loaded later.
ModuleHandle LoadModule(const WChar* name);

// GetProcAddress: the address of the exported function or object `name`,
// or null when the module does not export it.
void* GetModuleSymbol(ModuleHandle module, const char* name);

// FreeLibrary: drops one load reference; the module is unloaded when it
// was the last one.
bool FreeModule(ModuleHandle module);

// FreeLibraryAndExitThread: drops one load reference of `module` and ends
// the calling thread with `exitCode`, in one step whose code does not run
// from the module. A null module only ends the thread. Does not return.
[[noreturn]] void ReleaseModuleAndExitThread(ModuleHandle module, uint32_t exitCode);

}  // namespace bridgefw::platform
