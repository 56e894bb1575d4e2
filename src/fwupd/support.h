// The plugin's configuration: "UpdaterConfig.ini" in the folder "Ref"
// beside the host's executable, section "FW Updater", which says where the
// log goes. Read once per start of the control thread, on that thread.
#pragma once

#include <cstdint>

#include "platform/text.h"

namespace bridgefw {

// The configuration file's path: the executable's directory (with its
// trailing backslash) + "Ref\UpdaterConfig.ini". False when the
// executable's path cannot be had or fills the 260-character buffer. Does
// not check that the file exists.
bool GetConfigFilePath(WString& path);

// The same from an executable path as GetExecutablePath reported it
// (`written` characters, 0 for failure).
bool ConfigFilePathFromExecutable(const WChar* executablePath, uint32_t written, WString& path);

class CZtFwUpdSupport {
 public:
  CZtFwUpdSupport() = delete;

  // Machine-wide application-data folder + "\" + "AppDataLogDirName"
  // (default "Zentara\logs\ZT Firmware Updater").
  static WString GetLogDirectory(const WString& configFilePath);
  // "AppDataLogName" (default "Updater.log").
  static WString GetLogFileName(const WString& configFilePath);
};

// Creates the application log from the two settings and writes the start
// line. Raises what ApplicationLog raises (a second log, a directory that
// cannot be created, a file error).
void StartPluginLog(const WString& configFilePath);

// StartPluginLog for the control thread, which has no handler of its own
// around it: on any failure the log is removed again and the thread runs
// on without one. True when the log was started.
bool StartPluginLogSafely(const WString& configFilePath);

}  // namespace bridgefw
