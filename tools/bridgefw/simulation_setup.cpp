#include "simulation_setup.h"

#include <vector>

#include "drives/serial_page.h"
#include "emulation/emulated_drive.h"
#include "emulation/emulation_folder.h"
#include "emulation_builder.h"
#include "exit_status.h"
#include "file_io.h"
#include "flash_file.h"
#include "platform/text.h"
#include "sample_image.h"
#include "usb_ids.h"

namespace bridgefw::cli {
namespace {

constexpr const char* kDefaultSerial = "SIM0000001";
constexpr uint32_t kDefaultVendorId = 0x2B4E;
constexpr uint32_t kDefaultProductId = 0x1A2B;

// A temporary folder for what the person did not give, made on first use.
class ScratchFolder {
 public:
  const std::string& Path() {
    if (m_path.empty()) {
      std::string error;
      if (!MakeTempDirectory("bridgefw-sim", m_path, error)) throw UsageError(error);
    }
    return m_path;
  }

 private:
  std::string m_path;
};

// The request's defaults from the folder's first drive.
void TakeFirstDrive(const std::string& folder, Simulation& simulation) {
  std::vector<emulation::EmulatedDrive> drives;
  std::string error;
  if (!emulation::ReadEmulationFolder(folder, drives, &error)) {
    throw UsageError("--emulation: " + folder + " is not a usable emulation folder: " + error);
  }
  simulation.serial = kDefaultSerial;
  simulation.vendorId = kDefaultVendorId;
  simulation.productId = kDefaultProductId;
  if (drives.empty()) return;
  const emulation::EmulatedDrive& first = drives.front();
  simulation.serial =
      NarrowUtf8(CleanSerialNumber(SerialNumberFromPage(first.page80.data(), first.page80.size())));
  simulation.vendorId = VendorIdOf(first.parentId).value_or(kDefaultVendorId);
  simulation.productId = ProductIdOf(first.parentId).value_or(kDefaultProductId);
}

}  // namespace

Simulation PrepareSimulation(const SimulationChoices& choices) {
  ScratchFolder scratch;
  Simulation simulation;
  if (choices.emulationFolder.empty()) {
    simulation.emulationFolder = scratch.Path() + "/emulation";
  } else {
    simulation.emulationFolder = AbsolutePath(choices.emulationFolder);
    CheckFolderCanHoldEmulation(simulation.emulationFolder, "--emulation");
  }

  if (IsEmulationFolder(simulation.emulationFolder)) {
    TakeFirstDrive(simulation.emulationFolder, simulation);
  } else {
    SimulatedDrive drive;
    drive.serial = choices.serial.value_or(kDefaultSerial);
    drive.vendorId = choices.vendorId.value_or(kDefaultVendorId);
    drive.productId = choices.productId.value_or(kDefaultProductId);
    std::string error;
    if (!CreateEmulationFolder(simulation.emulationFolder, {drive}, BankState::kValid,
                               BankState::kValid, error)) {
      throw UsageError("--emulation: " + error);
    }
    simulation.created = true;
    simulation.serial = drive.serial;
    simulation.vendorId = drive.vendorId;
    simulation.productId = drive.productId;
  }
  if (choices.serial) simulation.serial = *choices.serial;
  if (choices.vendorId) simulation.vendorId = *choices.vendorId;
  if (choices.productId) simulation.productId = *choices.productId;

  if (choices.firmwarePath.empty()) {
    simulation.firmwarePath = simulation.emulationFolder + "/sample-firmware-2.00.bin";
    std::string error;
    if (!WriteFileReplacing(simulation.firmwarePath, MakeSampleImage(SampleRelease::kNewer),
                            error)) {
      throw UsageError(error);
    }
  } else {
    simulation.firmwarePath = choices.firmwarePath;
  }
  if (!choices.dataFolderGiven) simulation.dataFolder = scratch.Path() + "/data";
  return simulation;
}

}  // namespace bridgefw::cli
