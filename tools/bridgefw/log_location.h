// Where the plugin writes its log when this program is its host. The
// plugin takes its settings from "Ref/UpdaterConfig.ini" beside the host's
// executable (section "FW Updater": "AppDataLogDirName", default
// "Zentara\logs\ZT Firmware Updater"; "AppDataLogName", default
// "Updater.log") and puts the directory below the machine-wide data
// folder: PROGRAMDATA when set and not empty, else /var/lib. This composes
// the same path with the same platform services.
#pragma once

#include <string>

namespace bridgefw::cli {

// The log file's native path; empty when the plugin runs without a log
// because this program's path is too long for it.
std::string PluginLogPath();

}  // namespace bridgefw::cli
