#include "update_report.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "exit_status.h"
#include "result_names.h"

namespace bridgefw::cli {
namespace {

bool FileExists(const std::string& path) {
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

double Rounded(double seconds) {
  return std::round(seconds * 1000.0) / 1000.0;
}

void PrintText(const UpdateOutcome& outcome, const ReportContext& context, bool known,
               const ResultDescription& description, int status) {
  if (!outcome.failure.empty()) {
    std::printf("Plugin failure: %s.\n", outcome.failure.c_str());
    if (outcome.hasResult && known) {
      std::printf("The plugin had reported: %s (%d).\n", description.name, outcome.resultCode);
    }
  } else if (!known) {
    std::printf("Plugin failure: the plugin reported the unknown result %d.\n", outcome.resultCode);
  } else {
    std::printf("Result: %s (%d)\n%s\n", description.name, outcome.resultCode, description.meaning);
  }
  std::printf("Elapsed: %.1f s\n", outcome.elapsedSeconds);
  if (!context.emulationFolder.empty()) {
    std::printf("Emulation folder: %s\n", context.emulationFolder.c_str());
  }
  if (context.logPath.empty()) {
    std::printf("The plugin ran without a log: this program's path is too long for it.\n");
  } else if (!FileExists(context.logPath)) {
    std::printf("No log was written: the plugin could not create %s\n", context.logPath.c_str());
  } else if (status == kExitSuccess) {
    std::printf("Log: %s\n", context.logPath.c_str());
  } else {
    std::printf("Look at the log for details: %s\n", context.logPath.c_str());
  }
}

void PrintJson(const UpdateOutcome& outcome, const ReportContext& context, bool known,
               const ResultDescription& description, int status) {
  nlohmann::json report;
  report["result"] = outcome.hasResult ? nlohmann::json(outcome.resultCode) : nlohmann::json();
  report["name"] = outcome.failure.empty() && known ? description.name : "plugin failure";
  report["exitStatus"] = status;
  report["elapsedSeconds"] = Rounded(outcome.elapsedSeconds);
  report["log"] = context.logPath.empty() ? nlohmann::json() : nlohmann::json(context.logPath);
  report["logWritten"] = FileExists(context.logPath);
  report["firmware"] = context.firmwarePath;
  report["cancelled"] = outcome.cancelSent;
  if (!context.emulationFolder.empty()) report["emulation"] = context.emulationFolder;
  if (!outcome.failure.empty()) {
    report["error"] = outcome.failure;
  } else if (!known) {
    report["error"] = "unknown result " + std::to_string(outcome.resultCode);
  }
  std::cout << report.dump(2) << std::endl;
}

}  // namespace

int ReportUpdate(const UpdateOutcome& outcome, const ReportContext& context) {
  ResultDescription description{};
  const bool known = outcome.hasResult && DescribeResult(outcome.resultCode, description);
  const int status = outcome.failure.empty() && known ? description.exitStatus : kExitPluginFailure;
  if (context.json) {
    PrintJson(outcome, context, known, description, status);
  } else {
    PrintText(outcome, context, known, description, status);
  }
  std::fflush(stdout);
  return status;
}

}  // namespace bridgefw::cli
