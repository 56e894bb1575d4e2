// The end of `update`: the outcome as text or as one JSON object, and the
// program's exit status.
#pragma once

#include <string>

#include "update_session.h"

namespace bridgefw::cli {

struct ReportContext {
  std::string logPath;
  std::string firmwarePath;
  std::string emulationFolder;  // `update --simulate` only
  bool json = false;
};

// Prints the report on standard output and returns the exit status: the
// result's (0 for 18, 1 for 0, 11, 12, 13, 17), or 3 when the plugin
// misbehaved or did not answer.
int ReportUpdate(const UpdateOutcome& outcome, const ReportContext& context);

}  // namespace bridgefw::cli
