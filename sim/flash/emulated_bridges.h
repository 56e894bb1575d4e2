// The emulated bridges as the vendor library reaches them over USB: the
// drives of the emulation folder that BRIDGEFW_EMULATION names, each with a
// chip that boots from its serial flash (the drive's flash file) and the
// faults and timing of its description (docs/EMULATION.md).
//
// A device is known to the library by its parent id in lower case. One
// device at a time is selected and receives the flash commands. Programming
// a range erases the sectors it covers, in ascending order, and then
// programs its pages in ascending order, so the last page of a bank (its
// trailer) is written last. A power cut, and a reset, make the chip boot
// again: from bank 0 when it holds a valid image, else from bank 1; with
// neither it is bricked and can no longer be selected. Either way the
// device drops off the bus for a moment, which ends the selection.
//
// What the object counts for a device (commands, fault hits, flash
// operations) and whether its chip has booted lives as long as the object;
// the stand-in keeps one per load, so a power cut "after operation N"
// counts from the load of the library. A drive whose parent id, flash file,
// faults or timing change in drives.json is a new device: its counts start
// again and it boots at its next selection. Safe for any thread; commands
// are carried out one at a time.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "emulation/emulated_drive.h"

namespace bridgefw::flash {

class EmulatedBridges {
 public:
  // Reads an environment variable: its value, or "" when it is not set.
  using EnvironmentReader = std::string (*)(const char* name);

  // `environment` answers BRIDGEFW_EMULATION and BRIDGEFW_FLASH_TIMING; it
  // is the platform's, so that the stand-in sees what the plugin and its
  // host see.
  explicit EmulatedBridges(EnvironmentReader environment);
  ~EmulatedBridges();
  EmulatedBridges(const EmulatedBridges&) = delete;
  EmulatedBridges& operator=(const EmulatedBridges&) = delete;

  // Fills up to `count` entries of 64 bytes with the ids of the devices on
  // the bus (bricked ones included, gone ones not), NUL-terminated and cut
  // to 63 characters. The number of entries filled.
  int32_t ListUsbIds(uint8_t* list, int32_t count);

  // Selects the device whose parent id in lower case is `id`. False when
  // there is none, it has left the bus, its flash file is missing or not
  // 128 KiB, it is bricked, or a fault fails the command.
  bool Select(const char* id);

  bool Read(uint32_t address, uint8_t* buffer, uint32_t length);
  // `erase` false programs without erasing first. The address must begin a
  // sector.
  bool Program(uint32_t address, const uint8_t* data, uint32_t length, bool erase);
  // Restarts the chip, which boots from its flash.
  bool Reset();

 private:
  struct Chip;
  enum class Operation : uint8_t { kErase, kProgram };

  // The folder's drive descriptions; parsed again only when the file's
  // text has changed.
  bool ReadDrives(const std::string& folder, std::vector<emulation::EmulatedDrive>& drives);
  // The device of `drive` as it was last seen, or null when it is new.
  Chip* KnownChip(const std::string& folder, const emulation::EmulatedDrive& drive);
  Chip& ChipFor(const std::string& folder, const emulation::EmulatedDrive& drive);
  // Counts a command addressed to `chip`; false, with the reason, when the
  // device has left the bus or a fault fails the command.
  bool Admit(Chip& chip, emulation::BridgeCommand command, std::string& reason);
  // One erase (of the sector at `address`) or page program; false after a
  // power cut or a failed write, with the reason.
  bool Operate(Chip& chip, Operation operation, uint32_t address, const uint8_t* data,
               uint32_t length, std::string& reason);
  void CutPower(Chip& chip, Operation operation, uint32_t address, std::string& reason);
  void Boot(Chip& chip, const char* cause);
  void Log(const Chip& chip, const std::string& line);
  void Deselect();

  EnvironmentReader m_environment;
  std::mutex m_lock;
  std::map<std::string, std::unique_ptr<Chip>> m_chips;  // by flash file path
  Chip* m_selected = nullptr;
  std::string m_drivesFolder;
  std::string m_drivesText;
  std::vector<emulation::EmulatedDrive> m_drives;
};

}  // namespace bridgefw::flash
