#include <ctime>

#include "platform/clock.h"
#include "platform/fault.h"

namespace bridgefw::platform {

bool CurrentLocalTime(std::tm& out) {
  if (ShouldFail(FaultSite::kLocalTime)) return false;
  const std::time_t now = std::time(nullptr);
  if (now == static_cast<std::time_t>(-1)) return false;
  // localtime_r, unlike localtime, keeps its result out of shared storage.
  return localtime_r(&now, &out) != nullptr;
}

}  // namespace bridgefw::platform
