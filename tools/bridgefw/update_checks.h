// The checks `update` makes before anything is sent to a plugin. Each
// throws UsageError with a text that says what is wrong.
#pragma once

#include <cstdint>
#include <string>

#include "platform/text.h"

namespace bridgefw::cli {

// At most 31 UTF-16 units (a longer one could never match: the plugin
// keeps 31), not empty (an empty serial never matches either).
WString CheckSerialNumber(const std::string& serial);

// A readable firmware file that the plugin would accept (unless `force`),
// with a path the plugin can take. Returns the path as the plugin opens
// it, and in `crc` the CRC the plugin stamps into it. Notes (a file that
// is not 48 KiB long, a forced image) are printed on standard error.
WString CheckFirmwareFile(const std::string& path, bool force, uint16_t* crc = nullptr);

// A positive number of seconds.
void CheckTimeout(double seconds);

// Creates the data folder (the plugin's PROGRAMDATA) and returns its
// absolute path.
std::string PrepareDataFolder(const std::string& folder);

}  // namespace bridgefw::cli
