// The commands that emulated drives received in this process, oldest
// first, so that tests can see what was sent. Keeps the latest 4096.
// Safe for any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace bridgefw::emulation {

struct JournalEntry {
  std::string devicePath;
  std::vector<uint8_t> cdb;
};

void RecordCommand(const std::string& devicePath, const uint8_t* cdb, size_t cdbLength);
std::vector<JournalEntry> JournalSnapshot();
void ClearJournal();

}  // namespace bridgefw::emulation
