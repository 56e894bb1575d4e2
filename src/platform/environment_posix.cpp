#include <cstdlib>

#include "platform/environment.h"

namespace bridgefw::platform {

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

bool SetEnvironmentValue(const char* name, const char* value) {
  return (value != nullptr ? setenv(name, value, 1) : unsetenv(name)) == 0;
}

}  // namespace bridgefw::platform
