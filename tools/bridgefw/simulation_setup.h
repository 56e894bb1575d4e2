// The emulated drive behind `update --simulate`.
//
// Without --emulation a fresh temporary folder is made. A folder that
// already holds a drives.json (from `simulate init`, an earlier run, or by
// hand) is used as it is, and the request defaults to its first drive's
// serial number and ids; otherwise one drive is created there: vendor id
// 2B4E, product id 1A2B (or the ids and serial number given), with the
// older sample image in both banks. Without --firmware the newer sample
// image is written into the folder ("sample-firmware-2.00.bin") and sent. Without --log-dir (and
// without PROGRAMDATA) the plugin's log goes below the same temporary
// folder, not into the machine's /var/lib.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace bridgefw::cli {

struct SimulationChoices {
  std::string emulationFolder;  // empty: a fresh temporary folder
  std::string firmwarePath;     // empty: the built-in sample
  std::optional<std::string> serial;
  std::optional<uint32_t> vendorId;
  std::optional<uint32_t> productId;
  bool dataFolderGiven = false;  // --log-dir or PROGRAMDATA
};

struct Simulation {
  std::string emulationFolder;  // absolute
  bool created = false;         // drives were written by this run
  std::string firmwarePath;     // the sample's path, or the one given
  std::string dataFolder;       // empty: the one given is kept
  std::string serial;
  uint32_t vendorId = 0;
  uint32_t productId = 0;
};

// Throws UsageError when the folder cannot be used or made.
Simulation PrepareSimulation(const SimulationChoices& choices);

}  // namespace bridgefw::cli
