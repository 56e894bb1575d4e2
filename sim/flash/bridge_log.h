// The bridge log: one line per vendor-library command that reached an
// emulated bridge, and per boot and power cut, appended to
// "<name>.bridge.log" in the emulation folder. Tests and the host program
// read it to see what the library did (docs/EMULATION.md).
#pragma once

#include <string>
#include <vector>

#include "emulation/emulated_drive.h"

namespace bridgefw::flash {

std::string BridgeLogPath(const std::string& folder, const emulation::EmulatedDrive& drive);

// Appends `line` and a line end; a failure is ignored.
void AppendBridgeLog(const std::string& path, const std::string& line);

// The lines of a bridge log, empty when there is none.
std::vector<std::string> ReadBridgeLog(const std::string& path);

}  // namespace bridgefw::flash
