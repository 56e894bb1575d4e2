// POSIX implementation detail: errno values as Windows error codes.
#pragma once

#include <cstdint>

namespace bridgefw::platform {

uint32_t ErrorFromErrno(int err);
// Sets the thread's last error from `err` (errno by default).
void SetLastErrorFromErrno(int err);

}  // namespace bridgefw::platform
