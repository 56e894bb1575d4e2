// bridgefw: the reference host of the bridge firmware plugin and the tools
// around it.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <vector>

#include "commands.h"
#include "exit_status.h"

#ifndef BRIDGEFW_VERSION
#define BRIDGEFW_VERSION "unknown"
#endif

int main(int argc, char** argv) {
  using namespace bridgefw::cli;
  CLI::App app{
      "bridgefw: updates the bridge-chip firmware of external drives through the bridgefw "
      "plugin, and the tools around it (drives, images, emulated drives).",
      "bridgefw"};
  app.set_version_flag("--version", BRIDGEFW_VERSION);
  app.require_subcommand(1);
  std::vector<std::unique_ptr<Command>> commands;
  commands.push_back(AddUpdateCommand(app));
  commands.push_back(AddDevicesCommand(app));
  commands.push_back(AddImageCommand(app));
  commands.push_back(AddSimulateCommand(app));

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    // Help and version end with 0; every other parse error is bad input.
    return app.exit(error) == 0 ? kExitSuccess : kExitUsage;
  }
  try {
    for (const auto& command : commands) {
      if (command->Selected()) return command->Run();
    }
  } catch (const UsageError& error) {
    std::fprintf(stderr, "bridgefw: %s\nRun with --help for more information.\n", error.what());
    return kExitUsage;
  }
  return kExitUsage;
}
