// Writes emulation folders for people and tests: USB mass-storage drives
// with the usual ids, each with a flash file whose banks are set up as
// asked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "flash_file.h"

namespace bridgefw::cli {

struct SimulatedDrive {
  std::string serial;
  uint32_t vendorId = 0x2B4E;
  uint32_t productId = 0x1A2B;
};

// Names the drives "drive0", "drive1", ...; writes drives.json and every
// drive's flash file. False with a reason on a file failure.
bool CreateEmulationFolder(const std::string& folder, const std::vector<SimulatedDrive>& drives,
                           BankState bank0, BankState bank1, std::string& error);

// Whether `folder` holds a drives.json.
bool IsEmulationFolder(const std::string& folder);

// Throws UsageError (naming `option`) when `folder` is a file, or a
// directory with other contents that is not an emulation folder: writing
// one there would mix it with someone else's files.
void CheckFolderCanHoldEmulation(const std::string& folder, const std::string& option);

}  // namespace bridgefw::cli
