#include "flash/emulated_bridges.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "emulation/emulation_folder.h"
#include "flash/boot.h"
#include "flash/bridge_log.h"
#include "flash/flash_clock.h"
#include "flash/flash_file.h"
#include "flash/flash_layout.h"
#include "flash/nor_flash.h"
#include "flash/seeded_noise.h"

namespace bridgefw::flash {
namespace {

using emulation::BridgeCommand;
using emulation::EmulatedDrive;

constexpr size_t kUsbIdEntryBytes = 64;
constexpr size_t kCommandKinds = 4;

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%05X", value);
  return text;
}

std::string Range(uint32_t address, uint32_t length) {
  return Hex(address) + " " + std::to_string(length);
}

// What makes a drive the same device for the vendor library.
bool SameBridge(const EmulatedDrive& a, const EmulatedDrive& b) {
  return a.parentId == b.parentId && a.flashFile == b.flashFile && a.faults == b.faults &&
         a.timing == b.timing;
}

}  // namespace

struct EmulatedBridges::Chip {
  EmulatedDrive drive;
  std::string flashPath;
  std::string logPath;
  bool booted = false;
  int bootBank = kNoBootBank;
  bool gone = false;
  uint32_t commands = 0;               // addressed to the device
  uint32_t calls[kCommandKinds] = {};  // by kind, as the faults count them
  uint32_t readsCoveringFault = 0;     // reads over the readDiffers address
  uint32_t operations = 0;             // sector erases and page programs done
  bool powerWasCut = false;
  FlashFile flash;  // open while selected
  FlashClock clock;
};

EmulatedBridges::EmulatedBridges(EnvironmentReader environment) : m_environment(environment) {}
EmulatedBridges::~EmulatedBridges() = default;

bool EmulatedBridges::ReadDrives(const std::string& folder, std::vector<EmulatedDrive>& drives) {
  if (folder.empty()) return false;
  std::ifstream in(std::filesystem::path(folder) / emulation::kDrivesFileName, std::ios::binary);
  if (!in) return false;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (folder != m_drivesFolder || text != m_drivesText) {
    m_drivesFolder.clear();
    if (!emulation::ParseDrivesFile(text, m_drives)) return false;
    m_drivesFolder = folder;
    m_drivesText = std::move(text);
  }
  drives = m_drives;
  return true;
}

EmulatedBridges::Chip* EmulatedBridges::KnownChip(const std::string& folder,
                                                  const EmulatedDrive& drive) {
  const auto known = m_chips.find(emulation::FlashFilePath(folder, drive));
  if (known == m_chips.end() || !SameBridge(known->second->drive, drive)) return nullptr;
  return known->second.get();
}

EmulatedBridges::Chip& EmulatedBridges::ChipFor(const std::string& folder,
                                                const EmulatedDrive& drive) {
  const std::string path = emulation::FlashFilePath(folder, drive);
  std::unique_ptr<Chip>& chip = m_chips[path];
  if (chip && !SameBridge(chip->drive, drive)) {
    // Described anew: another device on the bus.
    if (m_selected == chip.get()) Deselect();
    chip.reset();
  }
  if (!chip) chip = std::make_unique<Chip>();
  chip->drive = drive;
  chip->flashPath = path;
  chip->logPath = BridgeLogPath(folder, drive);
  chip->clock.Configure(drive.timing, m_environment("BRIDGEFW_FLASH_TIMING") == "1");
  return *chip;
}

void EmulatedBridges::Log(const Chip& chip, const std::string& line) {
  AppendBridgeLog(chip.logPath, line);
}

void EmulatedBridges::Deselect() {
  if (m_selected != nullptr) m_selected->flash.Close();
  m_selected = nullptr;
}

bool EmulatedBridges::Admit(Chip& chip, BridgeCommand command, std::string& reason) {
  const uint32_t index = chip.commands++;
  const auto& faults = chip.drive.faults;
  if (!chip.gone && faults.disappearAfterCommands && index >= *faults.disappearAfterCommands) {
    chip.gone = true;
    Log(chip, "gone: the device has left the bus");
  }
  if (chip.gone) {
    reason = "gone";
    return false;
  }
  const uint32_t call = chip.calls[static_cast<size_t>(command)]++;
  for (const emulation::CommandFault& fault : faults.commands) {
    if (fault.command == command && fault.calls.Hits(call)) {
      reason = "fault";
      return false;
    }
  }
  chip.clock.Command();
  return true;
}

void EmulatedBridges::Boot(Chip& chip, const char* cause) {
  chip.booted = true;
  chip.bootBank = BootBank(chip.flash.data());
  Log(chip, std::string("boot (") + cause + ") -> " +
                (chip.bootBank == kNoBootBank ? std::string("no valid bank: bricked")
                                              : "bank " + std::to_string(chip.bootBank)));
}

void EmulatedBridges::CutPower(Chip& chip, Operation operation, uint32_t address,
                               std::string& reason) {
  const emulation::PowerCut& cut = *chip.drive.faults.powerCut;
  chip.powerWasCut = true;
  const char* what = operation == Operation::kErase ? "sector erase" : "page program";
  std::string outcome = "did not happen";
  if (cut.torn) {
    SeededNoise noise(cut.seed, chip.operations);
    const bool torn = operation == Operation::kErase
                          ? TearErase(chip.flash, address / kSectorSize, noise)
                          : TearProgram(chip.flash, address, noise);
    outcome = torn ? "torn" : "torn, but the file could not be written";
  }
  Log(chip, "power cut after " + std::to_string(chip.operations) + " operations: " + what + " at " +
                Hex(address) + " " + outcome);
  Boot(chip, "power cut");
  reason = "power cut";
}

bool EmulatedBridges::Operate(Chip& chip, Operation operation, uint32_t address,
                              const uint8_t* data, uint32_t length, std::string& reason) {
  const auto& cut = chip.drive.faults.powerCut;
  if (cut && !chip.powerWasCut && chip.operations == cut->afterOps) {
    CutPower(chip, operation, address, reason);
    return false;
  }
  bool done = false;
  if (operation == Operation::kErase) {
    chip.clock.SectorErase();
    done = EraseSector(chip.flash, address / kSectorSize);
  } else {
    chip.clock.PageProgram();
    done = ProgramPage(chip.flash, address, data, length);
  }
  if (!done) {
    reason = "flash file not written";
    return false;
  }
  ++chip.operations;
  return true;
}

int32_t EmulatedBridges::ListUsbIds(uint8_t* list, int32_t count) {
  std::lock_guard<std::mutex> hold(m_lock);
  if (list == nullptr || count <= 0) return 0;
  const std::string folder = m_environment("BRIDGEFW_EMULATION");
  std::vector<EmulatedDrive> drives;
  if (!ReadDrives(folder, drives)) return 0;
  int32_t filled = 0;
  for (const EmulatedDrive& drive : drives) {
    if (filled == count) break;
    if (drive.parentId.empty()) continue;
    const Chip* known = KnownChip(folder, drive);
    if (known != nullptr && known->gone) continue;
    uint8_t* entry = list + static_cast<size_t>(filled) * kUsbIdEntryBytes;
    std::memset(entry, 0, kUsbIdEntryBytes);
    const std::string id = Lower(drive.parentId);
    std::memcpy(entry, id.data(), std::min(id.size(), kUsbIdEntryBytes - 1));
    ++filled;
  }
  return filled;
}

bool EmulatedBridges::Select(const char* id) {
  std::lock_guard<std::mutex> hold(m_lock);
  Deselect();
  const std::string folder = m_environment("BRIDGEFW_EMULATION");
  std::vector<EmulatedDrive> drives;
  if (id == nullptr || !ReadDrives(folder, drives)) return false;
  const auto drive = std::find_if(drives.begin(), drives.end(), [id](const EmulatedDrive& d) {
    return !d.parentId.empty() && Lower(d.parentId) == id;
  });
  if (drive == drives.end()) return false;
  Chip& chip = ChipFor(folder, *drive);
  const std::string command = std::string("select ") + id + " -> ";
  std::string reason;
  if (!Admit(chip, BridgeCommand::kSelect, reason)) {
    Log(chip, command + "fail (" + reason + ")");
    return false;
  }
  if (!chip.flash.Open(chip.flashPath)) {
    Log(chip, command + "fail (no flash file of 128 KiB)");
    return false;
  }
  if (!chip.booted) Boot(chip, "power-on");
  if (chip.bootBank == kNoBootBank) {
    chip.flash.Close();
    Log(chip, command + "fail (bricked)");
    return false;
  }
  m_selected = &chip;
  Log(chip, command + "ok");
  return true;
}

bool EmulatedBridges::Read(uint32_t address, uint8_t* buffer, uint32_t length) {
  std::lock_guard<std::mutex> hold(m_lock);
  if (m_selected == nullptr) return false;
  Chip& chip = *m_selected;
  const std::string command = "read " + Range(address, length) + " -> ";
  std::string reason;
  if (!Admit(chip, BridgeCommand::kRead, reason)) {
    Log(chip, command + "fail (" + reason + ")");
    if (chip.gone) Deselect();
    return false;
  }
  if (buffer == nullptr || address > kFlashSize || length > kFlashSize - address) {
    Log(chip, command + "fail (outside the flash)");
    return false;
  }
  chip.clock.Read(length);
  std::memcpy(buffer, chip.flash.data() + address, length);
  std::string note;
  if (const auto& fault = chip.drive.faults.readDiffers) {
    if (fault->address >= address && fault->address - address < length &&
        fault->calls.Hits(chip.readsCoveringFault++)) {
      buffer[fault->address - address] ^= fault->mask;
      note = " (differs at " + Hex(fault->address) + ")";
    }
  }
  Log(chip, command + "ok" + note);
  return true;
}

bool EmulatedBridges::Program(uint32_t address, const uint8_t* data, uint32_t length, bool erase) {
  std::lock_guard<std::mutex> hold(m_lock);
  if (m_selected == nullptr) return false;
  Chip& chip = *m_selected;
  const std::string command = "program " + Range(address, length) + " -> ";
  std::string reason;
  if (!Admit(chip, BridgeCommand::kProgram, reason)) {
    Log(chip, command + "fail (" + reason + ")");
    if (chip.gone) Deselect();
    return false;
  }
  if (data == nullptr || length == 0 || address % kSectorSize != 0 || address > kFlashSize ||
      length > kFlashSize - address) {
    Log(chip, command + "fail (not a range that starts a sector inside the flash)");
    return false;
  }
  bool done = true;
  if (erase) {
    for (uint32_t at = address; done && at < address + length; at += kSectorSize) {
      done = Operate(chip, Operation::kErase, at, nullptr, 0, reason);
    }
  }
  for (uint32_t offset = 0; done && offset < length; offset += kPageSize) {
    const uint32_t part = std::min(kPageSize, length - offset);
    done = Operate(chip, Operation::kProgram, address + offset, data + offset, part, reason);
  }
  Log(chip, command + (done ? std::string("ok") : "fail (" + reason + ")"));
  // After a power cut the device comes back on the bus unselected.
  if (!done && reason == "power cut") Deselect();
  return done;
}

bool EmulatedBridges::Reset() {
  std::lock_guard<std::mutex> hold(m_lock);
  if (m_selected == nullptr) return false;
  Chip& chip = *m_selected;
  std::string reason;
  if (!Admit(chip, BridgeCommand::kReset, reason)) {
    Log(chip, "reset -> fail (" + reason + ")");
    if (chip.gone) Deselect();
    return false;
  }
  Log(chip, "reset -> ok");
  Boot(chip, "reset");
  Deselect();
  return true;
}

}  // namespace bridgefw::flash
