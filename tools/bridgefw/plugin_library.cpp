#include "plugin_library.h"

#include <dlfcn.h>

#include <cstring>

#include "file_io.h"

namespace bridgefw::cli {

PluginLibrary::~PluginLibrary() {
  if (m_handle != nullptr && !m_keepLoaded) dlclose(m_handle);
}

template <typename Fn>
bool PluginLibrary::Bind(Fn& function, const char* name, std::string& missing) {
  void* symbol = dlsym(m_handle, name);
  if (symbol == nullptr) {
    missing += missing.empty() ? name : std::string(", ") + name;
    return false;
  }
  static_assert(sizeof function == sizeof symbol, "function and object pointers differ");
  std::memcpy(&function, &symbol, sizeof function);
  return true;
}

bool PluginLibrary::Load(const std::string& path, std::string& error) {
  dlerror();
  m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (m_handle == nullptr) {
    const char* reason = dlerror();
    error = "cannot load the plugin " + path + ": " + (reason != nullptr ? reason : "unknown");
    return false;
  }
  std::string missing;
  bool complete = Bind(StartDllControlThread, "StartDllControlThread", missing);
  complete = Bind(GetFwUpdDllVersion, "GetFwUpdDllVersion", missing) && complete;
  complete = Bind(AllocFwUpdDllMsg, "AllocFwUpdDllMsg", missing) && complete;
  complete = Bind(SendFwUpdDllMsg, "SendFwUpdDllMsg", missing) && complete;
  complete = Bind(DeleteDllMsg, "DeleteDllMsg", missing) && complete;
  complete = Bind(PrepareForExit, "PrepareForExit", missing) && complete;
  complete = Bind(AppHasReleasedAllDllMsgs, "AppHasReleasedAllDllMsgs", missing) && complete;
  if (!complete) {
    error = path + " is not a bridgefw plugin: it does not export " + missing;
    dlclose(m_handle);
    m_handle = nullptr;
    return false;
  }
  return true;
}

std::string DefaultPluginPath() {
  return ExecutableDirectory() + "/libbridgefw.so";
}

}  // namespace bridgefw::cli
