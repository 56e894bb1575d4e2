// Modules on Windows: LoadLibraryW and friends. A bare file name that the
// system's search does not find is tried in the folder of the module that
// holds this code too (the plugin DLL), where the vendor library lies.
// windows.h comes before every other system header.
#include <windows.h>
// windows.h defines FreeModule as a macro; the platform function has that name.
#undef FreeModule

#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/module.h"
#include "platform/thread.h"
#include "platform/thread_exit_win.h"
#include "platform/win_text.h"

namespace bridgefw::platform {
namespace {

bool IsBareName(const WString& name) {
  return name.find(u'\\') == WString::npos && name.find(u'/') == WString::npos;
}

// The folder of this module, with a trailing backslash; empty on failure.
WString OwnModuleFolder() {
  HMODULE self = nullptr;
  if (::GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(&OwnModuleFolder), &self) == 0) {
    return WString();
  }
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(self, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return WString();
    if (length < buffer.size()) {
      WString path(FromWide(buffer.data()), length);
      const size_t slash = path.find_last_of(u"\\/");
      return slash == WString::npos ? WString() : path.substr(0, slash + 1);
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

ModuleHandle GetLoadedModule(const WChar* name) {
  if (name == nullptr) {
    SetLastErrorCode(kErrorInvalidParameter);
    return nullptr;
  }
  HMODULE module = ::GetModuleHandleW(ToWide(name));
  if (module == nullptr) SetLastErrorCode(kErrorModNotFound);
  return module;
}

ModuleHandle LoadModule(const WChar* name) {
  if (name == nullptr) {
    SetLastErrorCode(kErrorInvalidParameter);
    return nullptr;
  }
  HMODULE module = ::LoadLibraryW(ToWide(name));
  if (module == nullptr && IsBareName(WString(name))) {
    const WString folder = OwnModuleFolder();
    if (!folder.empty()) module = ::LoadLibraryW(ToWide(folder + name));
  }
  if (module == nullptr) SetLastErrorCode(kErrorModNotFound);
  return module;
}

void* GetModuleSymbol(ModuleHandle module, const char* name) {
  // GetProcAddress with a null module would search the program.
  if (module == nullptr) {
    SetLastErrorCode(kErrorInvalidHandle);
    return nullptr;
  }
  if (name == nullptr) {
    SetLastErrorCode(kErrorInvalidParameter);
    return nullptr;
  }
  const FARPROC symbol = ::GetProcAddress(static_cast<HMODULE>(module), name);
  if (symbol == nullptr) {
    SetLastErrorCode(kErrorProcNotFound);
    return nullptr;
  }
  // Through void (*)() because a cast between these function types is
  // otherwise diagnosed.
  return reinterpret_cast<void*>(reinterpret_cast<void (*)()>(symbol));
}

bool FreeModule(ModuleHandle module) {
  if (module == nullptr || ::FreeLibrary(static_cast<HMODULE>(module)) == 0) {
    SetLastErrorCode(kErrorInvalidHandle);
    return false;
  }
  return true;
}

void ReleaseModuleAndExitThread(ModuleHandle module, uint32_t exitCode) {
  if (IsPlatformThread()) throw ThreadExit{exitCode, module};
  if (module != nullptr) ::FreeLibraryAndExitThread(static_cast<HMODULE>(module), exitCode);
  ::ExitThread(exitCode);
}

}  // namespace bridgefw::platform
