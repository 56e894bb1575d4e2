
// windows.h comes before every other system header.
#include <windows.h>

#include "platform/clock.h"
#include "platform/fault.h"

namespace bridgefw::platform {

bool CurrentLocalTime(std::tm& out) {
  if (ShouldFail(FaultSite::kLocalTime)) return false;
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  out = std::tm{};
  out.tm_year = now.wYear - 1900;
  out.tm_mon = now.wMonth - 1;
  out.tm_mday = now.wDay;
  out.tm_hour = now.wHour;
  out.tm_min = now.wMinute;
  out.tm_sec = now.wSecond;
  out.tm_wday = now.wDayOfWeek;
  out.tm_isdst = -1;
  // The day of the year, from a copy that mktime may normalise.
  std::tm copy = out;
  if (std::mktime(&copy) != static_cast<std::time_t>(-1)) out.tm_yday = copy.tm_yday;
  return true;
}

}  // namespace bridgefw::platform
