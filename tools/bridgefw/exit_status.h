// The program's exit statuses and the error that stands for bad input.
#pragma once

#include <stdexcept>
#include <string>

namespace bridgefw::cli {

// `update`: the firmware was updated (result 18). Other commands: done.
constexpr int kExitSuccess = 0;
// `update`: the plugin ended without an outcome (result 0). Other commands:
// the work could not be done (a file could not be written, ...).
constexpr int kExitFailure = 1;
// Bad input: nothing was sent to a plugin, nothing was changed.
constexpr int kExitUsage = 2;
// `update`: the plugin could not be loaded, misbehaved, or did not answer
// in time.
constexpr int kExitPluginFailure = 3;

// Thrown for bad input; main prints the text and exits with kExitUsage.
class UsageError : public std::runtime_error {
 public:
  explicit UsageError(const std::string& text) : std::runtime_error(text) {}
};

}  // namespace bridgefw::cli
