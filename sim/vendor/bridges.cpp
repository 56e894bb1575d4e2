#include "bridges.h"

#include "platform/environment.h"

namespace bridgefw::standin {

flash::EmulatedBridges& Bridges() {
  static flash::EmulatedBridges bridges(&platform::EnvironmentValue);
  return bridges;
}

}  // namespace bridgefw::standin
