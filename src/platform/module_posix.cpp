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

#include <cctype>
#include <climits>
#include <string>

#include "platform/error.h"
#include "platform/module_posix.h"
#include "platform/thread.h"

// glibc's registration of thread-exit destructors (what thread_local objects
// use); not declared in any header.
extern "C" int __cxa_thread_atexit_impl(void (*destructor)(void*), void* object, void* dsoSymbol);

namespace bridgefw::platform {
namespace {

bool EndsWithNoCase(const std::string& text, const std::string& suffix) {
  if (text.size() < suffix.size()) return false;
  for (size_t i = 0; i < suffix.size(); ++i) {
    const auto a = static_cast<unsigned char>(text[text.size() - suffix.size() + i]);
    const auto b = static_cast<unsigned char>(suffix[i]);
    if (std::tolower(a) != std::tolower(b)) return false;
  }
  return true;
}

// dlopen's reason for a failure goes to the debugging trace only.
void TraceLoaderError(const char* operation) {
  const char* reason = dlerror();
  if (reason == nullptr) return;
  DebugTrace(WidenUtf8(std::string(operation) + ": " + reason));
}

// The directory of the module that holds this code: the plugin library,
// or the program that the platform layer is linked into.
std::string OwnModuleDirectory() {
  Dl_info info{};
  void* map = nullptr;
  if (dladdr1(reinterpret_cast<void*>(&OwnModuleDirectory), &info, &map, RTLD_DL_LINKMAP) == 0 ||
      map == nullptr) {
    return std::string();
  }
  char origin[PATH_MAX + 1] = {};
  if (dlinfo(map, RTLD_DI_ORIGIN, origin) != 0) return std::string();
  return origin;
}

void* OpenModule(const WChar* name, int extraFlags) {
  if (name == nullptr) {
    SetLastErrorCode(kErrorInvalidParameter);
    return nullptr;
  }
  const std::string file = NativeModuleName(WString(name));
  const int flags = RTLD_NOW | RTLD_LOCAL | extraFlags;
  void* module = dlopen(file.c_str(), flags);
  // dlopen searches the run path of its caller, and a sanitizer's
  // interceptor makes itself that caller; so the directory of our own
  // module is tried explicitly as well.
  if (module == nullptr && (extraFlags & RTLD_NOLOAD) == 0 && file.find('/') == std::string::npos) {
    const std::string directory = OwnModuleDirectory();
    if (!directory.empty()) {
      dlerror();
      module = dlopen((directory + "/" + file).c_str(), flags);
    }
  }
  if (module == nullptr) {
    if ((extraFlags & RTLD_NOLOAD) == 0) TraceLoaderError("LoadModule");
    SetLastErrorCode(kErrorModNotFound);
  }
  return module;
}

}  // namespace

std::string NativeModuleName(const WString& name) {
  std::string file = NarrowUtf8(name);
  if (file.find('/') != std::string::npos) return file;
  if (EndsWithNoCase(file, ".so") || file.find(".so.") != std::string::npos) return file;
  if (EndsWithNoCase(file, ".dll")) file.resize(file.size() - 4);
  return "lib" + file + ".so";
}

ModuleHandle GetLoadedModule(const WChar* name) {
  void* module = OpenModule(name, RTLD_NOLOAD);
  // The look-up took a reference of its own; the module stays loaded by the
  // references that made it "loaded" in the first place.
  if (module != nullptr) dlclose(module);
  return module;
}

ModuleHandle LoadModule(const WChar* name) {
  return OpenModule(name, 0);
}

void* GetModuleSymbol(ModuleHandle module, const char* name) {
  // dlsym with a null handle would search the whole process.
  if (module == nullptr) {
    SetLastErrorCode(kErrorInvalidHandle);
    return nullptr;
  }
  if (name == nullptr) {
    SetLastErrorCode(kErrorInvalidParameter);
    return nullptr;
  }
  dlerror();
  void* symbol = dlsym(module, name);
  if (symbol == nullptr) SetLastErrorCode(kErrorProcNotFound);
  return symbol;
}

bool FreeModule(ModuleHandle module) {
  if (module == nullptr || dlclose(module) != 0) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  return true;
}

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
