// One update as a host application runs it, through the plugin's exports
// only: load the library, start the control thread, send DllDataInit and
// DllUpdate, wait for DllReadyForUnload, hand it back, call PrepareForExit
// and wait for the control thread's end. While it waits it shows progress,
// and Ctrl-C sends DllCancel (once).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/text.h"
#include "progress_display.h"

namespace bridgefw::cli {

struct UpdateRequest {
  std::string pluginPath;
  WString firmwarePath;  // as the plugin opens it
  WString serialNumber;  // at most 31 units
  uint32_t vendorId = 0;
  uint32_t productId = 0;
  std::vector<WString> prefixes;
  double timeoutSeconds = 600;
  std::string logPath;  // followed while the plugin runs; empty: none
};

struct UpdateOutcome {
  bool hasResult = false;
  int32_t resultCode = 0;
  // Why the run went wrong on the plugin's side; empty when it did not.
  std::string failure;
  // The plugin's threads may still run: the program must end without
  // unloading anything (std::_Exit).
  bool pluginStillRunning = false;
  bool cancelSent = false;
  double elapsedSeconds = 0;
};

UpdateOutcome RunUpdateSession(const UpdateRequest& request, ProgressDisplay& display);

// The window message number this host gives the plugin for its posts.
constexpr uint32_t kAppMessage = 0x8001;

}  // namespace bridgefw::cli
