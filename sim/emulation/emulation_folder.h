// The emulation folder: one JSON file describing the emulated drives
// ("drives.json") and, beside it, each drive's flash file. Paths are native
// (POSIX) paths. The format is described in docs/EMULATION.md.
#pragma once

#include <string>
#include <vector>

#include "emulation/emulated_drive.h"

namespace bridgefw::emulation {

constexpr const char* kDrivesFileName = "drives.json";

// Creates the folder when missing and replaces its drive descriptions in
// one step (a reader never sees half a file). False, with a reason in
// `error` when given, on invalid descriptions or a file failure. Flash
// files are neither created nor removed.
bool WriteEmulationFolder(const std::string& folder, const std::vector<EmulatedDrive>& drives,
                          std::string* error = nullptr);

// Reads the drive descriptions, with defaults filled in (device path,
// flash file). False, with a reason in `error` when given, when the file is
// missing or invalid.
bool ReadEmulationFolder(const std::string& folder, std::vector<EmulatedDrive>& drives,
                         std::string* error = nullptr);

// The same from the text of a drives.json file.
bool ParseDrivesFile(const std::string& text, std::vector<EmulatedDrive>& drives,
                     std::string* error = nullptr);

// The native path of a drive's flash file: the folder joined with the
// drive's flash file name (or "<name>.flash").
std::string FlashFilePath(const std::string& folder, const EmulatedDrive& drive);

}  // namespace bridgefw::emulation
