#include "emulation_builder.h"

#include <filesystem>
#include <system_error>

#include "emulation/emulated_drive.h"
#include "emulation/emulation_folder.h"
#include "exit_status.h"
#include "file_io.h"

namespace bridgefw::cli {

namespace fs = std::filesystem;

bool CreateEmulationFolder(const std::string& folder, const std::vector<SimulatedDrive>& drives,
                           BankState bank0, BankState bank1, std::string& error) {
  if (!MakeDirectories(folder, error)) return false;
  std::vector<emulation::EmulatedDrive> described;
  for (size_t i = 0; i < drives.size(); ++i) {
    described.push_back(emulation::UsbStorageDrive("drive" + std::to_string(i), drives[i].serial,
                                                   static_cast<uint16_t>(drives[i].vendorId),
                                                   static_cast<uint16_t>(drives[i].productId)));
  }
  const std::vector<uint8_t> flash = MakeFlash(bank0, bank1);
  for (const emulation::EmulatedDrive& drive : described) {
    if (!WriteFileReplacing(emulation::FlashFilePath(folder, drive), flash, error)) return false;
  }
  // The descriptions last: a reader never sees a drive without its flash.
  return emulation::WriteEmulationFolder(folder, described, &error);
}

bool IsEmulationFolder(const std::string& folder) {
  std::error_code code;
  return fs::is_regular_file(fs::path(folder) / emulation::kDrivesFileName, code);
}

void CheckFolderCanHoldEmulation(const std::string& folder, const std::string& option) {
  std::error_code code;
  const fs::file_status status = fs::status(folder, code);
  if (!fs::exists(status)) return;
  if (!fs::is_directory(status)) throw UsageError(option + ": " + folder + " is not a directory");
  if (IsEmulationFolder(folder)) return;
  if (!fs::is_empty(folder, code)) {
    throw UsageError(option + ": " + folder +
                     " is neither empty nor an emulation folder (it has no " +
                     emulation::kDrivesFileName + "); choose a new or empty directory");
  }
}

}  // namespace bridgefw::cli
