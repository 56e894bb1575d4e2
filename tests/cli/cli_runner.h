// Runs bin/bridgefw as a subprocess, as a person or a script would, and
// collects its exit status and output.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace bridgefw::testing {

struct CliResult {
  int status = -1;  // the exit status; -1 when it did not exit by itself
  std::string out;
  std::string err;
  double seconds = 0;

  // Standard output as JSON; a test failure (and null) when it is not.
  nlohmann::json Json() const;
  // Everything it printed, for failure messages.
  std::string Transcript() const;
};

struct CliOptions {
  // Environment changes: a value sets the variable, none removes it. The
  // child starts from this process's environment without
  // BRIDGEFW_EMULATION, PROGRAMDATA and BRIDGEFW_FAKE_PLUGIN.
  std::vector<std::pair<std::string, std::optional<std::string>>> env;
  // Once standard error holds this text, send SIGINT `interrupts` times,
  // `interruptSpacingMs` apart.
  std::string interruptAfter;
  int interrupts = 1;
  int interruptSpacingMs = 300;
  // The child is killed after this long (a test failure).
  int limitSeconds = 180;
};

CliResult RunCli(const std::vector<std::string>& args, const CliOptions& options = {});

// The same on a pseudo-terminal: standard input, output and error are the
// terminal; everything it wrote there comes back in `out`.
CliResult RunCliOnTerminal(const std::vector<std::string>& args, const CliOptions& options = {});

}  // namespace bridgefw::testing
