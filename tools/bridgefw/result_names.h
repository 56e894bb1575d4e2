// The outcomes a plugin reports in DllReadyForUnload: their names, what
// they mean for the person at the drive, and the program's exit status.
#pragma once

#include <cstdint>

namespace bridgefw::cli {

struct ResultDescription {
  const char* name;     // "updated", "no drive", ...
  const char* meaning;  // one sentence
  int exitStatus;       // 0 for 18, 1 for 0, the code itself for 11, 12, 13, 17
};

// False for a code that the host interface does not define.
bool DescribeResult(int32_t resultCode, ResultDescription& description);

}  // namespace bridgefw::cli
