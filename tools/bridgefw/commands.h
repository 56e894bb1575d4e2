// The program's commands. Each Add...Command registers a subcommand with
// its options and returns the object that runs it once it was chosen.
#pragma once

#include <CLI/CLI.hpp>
#include <memory>

namespace bridgefw::cli {

class Command {
 public:
  virtual ~Command() = default;
  // Whether the command line chose this command.
  virtual bool Selected() const = 0;
  // Runs it; returns the exit status. Throws UsageError for bad input.
  virtual int Run() = 0;
};

std::unique_ptr<Command> AddUpdateCommand(CLI::App& app);
std::unique_ptr<Command> AddDevicesCommand(CLI::App& app);
std::unique_ptr<Command> AddImageCommand(CLI::App& app);
std::unique_ptr<Command> AddSimulateCommand(CLI::App& app);

}  // namespace bridgefw::cli
