// Follows the plugin's log file while it runs: the lines appended since
// the follower was made, as they appear. Reads without locking, so the
// plugin's exclusive writer is never kept out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bridgefw::cli {

class LogFollower {
 public:
  // Starts at the file's current end (it may not exist yet).
  explicit LogFollower(std::string path);

  // The complete lines appended since the last call, without line ends,
  // as UTF-8 (the log holds one byte per character).
  std::vector<std::string> NewLines();
  // The same, plus a last line that has no line end yet.
  std::vector<std::string> RemainingLines();

 private:
  std::string m_path;
  uint64_t m_offset = 0;
  std::string m_partial;
};

}  // namespace bridgefw::cli
