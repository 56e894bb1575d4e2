// The wall clock.
#pragma once

#include <ctime>

namespace bridgefw::platform {

// The current local time, broken down. False when the time cannot be read
// or converted.
bool CurrentLocalTime(std::tm& out);

}  // namespace bridgefw::platform
