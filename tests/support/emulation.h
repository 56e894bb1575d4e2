// Test helpers for the device services: an environment variable set for the
// length of a test, and an emulation folder that the platform's device
// enumeration and SCSI pass-through answer from (docs/EMULATION.md).
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "emulation/command_journal.h"
#include "emulation/emulated_drive.h"
#include "emulation/emulation_folder.h"
#include "platform/environment.h"
#include "support/temp_dir.h"

namespace bridgefw::testing {

// Sets (or, with a null value, removes) an environment variable and puts
// the old state back at the end of the scope (a variable that was set but
// empty comes back removed). Only while no other thread runs.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : m_name(name) {
    m_oldValue = platform::EnvironmentValue(name);
    m_hadValue = !m_oldValue.empty();
    platform::SetEnvironmentValue(name, value);
  }
  ~ScopedEnv() {
    platform::SetEnvironmentValue(m_name.c_str(), m_hadValue ? m_oldValue.c_str() : nullptr);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string m_name;
  bool m_hadValue = false;
  std::string m_oldValue;
};

// A fresh emulation folder, named by BRIDGEFW_EMULATION while it exists.
// The command journal starts empty.
class EmulationFolder {
 public:
  explicit EmulationFolder(const std::vector<emulation::EmulatedDrive>& drives = {})
      : m_env("BRIDGEFW_EMULATION", m_dir.Native().c_str()) {
    Write(drives);
    emulation::ClearJournal();
  }

  // Replaces the drive descriptions; aborts the test program when they
  // cannot be written (a broken test setup).
  void Write(const std::vector<emulation::EmulatedDrive>& drives) {
    std::string error;
    if (!emulation::WriteEmulationFolder(m_dir.Native(), drives, &error)) std::abort();
  }

  const TempDir& dir() const { return m_dir; }

 private:
  TempDir m_dir;
  ScopedEnv m_env;
};

// The command blocks that the emulated drive with `devicePath` received,
// oldest first.
inline std::vector<std::vector<uint8_t>> CommandsSentTo(const std::string& devicePath) {
  std::vector<std::vector<uint8_t>> commands;
  for (const emulation::JournalEntry& entry : emulation::JournalSnapshot()) {
    if (entry.devicePath == devicePath) commands.push_back(entry.cdb);
  }
  return commands;
}

// The operation codes of those commands: "I" for INQUIRY, "S" for START
// STOP UNIT, "?" for anything else; e.g. "ISI".
inline std::string OperationsSentTo(const std::string& devicePath) {
  std::string operations;
  for (const std::vector<uint8_t>& cdb : CommandsSentTo(devicePath)) {
    const uint8_t code = cdb.empty() ? 0 : cdb[0];
    operations += code == 0x12 ? 'I' : code == 0x1B ? 'S' : '?';
  }
  return operations;
}

}  // namespace bridgefw::testing
