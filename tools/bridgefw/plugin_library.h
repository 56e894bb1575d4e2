// The plugin library as a host sees it: loaded with dlopen and reached
// only through the seven exports of include/bridgefw/host_api.h.
#pragma once

#include <string>

#include "bridgefw/host_api.h"

namespace bridgefw::cli {

class PluginLibrary {
 public:
  PluginLibrary() = default;
  // Drops this program's hold unless it was handed to the plugin.
  ~PluginLibrary();
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  // Loads the library and binds every export. False with a reason when the
  // file cannot be loaded or lacks an export (it is then unloaded again).
  bool Load(const std::string& path, std::string& error);

  // The load handle that DllDataInit hands to the plugin.
  void* handle() const { return m_handle; }
  // From now on the plugin's control thread releases the handle at its
  // end, or the library must stay loaded (its threads may run): this
  // object no longer unloads it.
  void KeepLoaded() { m_keepLoaded = true; }

  void* (*StartDllControlThread)(void) = nullptr;
  int32_t (*GetFwUpdDllVersion)(void) = nullptr;
  BridgeMsgHeader* (*AllocFwUpdDllMsg)(int32_t) = nullptr;
  int32_t (*SendFwUpdDllMsg)(int32_t, BridgeMsgHeader*) = nullptr;
  int32_t (*DeleteDllMsg)(BridgeMsgHeader*) = nullptr;
  int32_t (*PrepareForExit)(void) = nullptr;
  int32_t (*AppHasReleasedAllDllMsgs)(void) = nullptr;

 private:
  template <typename Fn>
  bool Bind(Fn& function, const char* name, std::string& missing);

  void* m_handle = nullptr;
  bool m_keepLoaded = false;
};

// The library beside this program's executable: "libbridgefw.so".
std::string DefaultPluginPath();

}  // namespace bridgefw::cli
