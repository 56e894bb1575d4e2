#include "emulation/command_journal.h"

#include <deque>
#include <mutex>

namespace bridgefw::emulation {
namespace {

constexpr size_t kKeptEntries = 4096;

struct Journal {
  std::mutex lock;
  std::deque<JournalEntry> entries;
};

Journal& TheJournal() {
  static Journal journal;
  return journal;
}

}  // namespace

void RecordCommand(const std::string& devicePath, const uint8_t* cdb, size_t cdbLength) {
  JournalEntry entry{devicePath, {}};
  if (cdb != nullptr) entry.cdb.assign(cdb, cdb + cdbLength);
  Journal& journal = TheJournal();
  const std::lock_guard<std::mutex> guard(journal.lock);
  journal.entries.push_back(std::move(entry));
  if (journal.entries.size() > kKeptEntries) journal.entries.pop_front();
}

std::vector<JournalEntry> JournalSnapshot() {
  Journal& journal = TheJournal();
  const std::lock_guard<std::mutex> guard(journal.lock);
  return {journal.entries.begin(), journal.entries.end()};
}

void ClearJournal() {
  Journal& journal = TheJournal();
  const std::lock_guard<std::mutex> guard(journal.lock);
  journal.entries.clear();
}

}  // namespace bridgefw::emulation
