#include "platform/backend.h"

#include "platform/environment.h"

namespace bridgefw::platform {

std::string EmulationFolder() {
  return EnvironmentValue("BRIDGEFW_EMULATION");
}

}  // namespace bridgefw::platform
