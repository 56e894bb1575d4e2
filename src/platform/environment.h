// The process's environment variables, as UTF-8 text. One environment is
// shared by every module of the process (on Windows the process's own
// block, which the C runtimes of the plugin and of its host may not see).
#pragma once

#include <string>

namespace bridgefw::platform {

// The value of `name`, or the empty text when it is not set.
std::string EnvironmentValue(const char* name);

// Sets `name` to `value`; a null value removes the variable. False on
// failure.
bool SetEnvironmentValue(const char* name, const char* value);

}  // namespace bridgefw::platform
