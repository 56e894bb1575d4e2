// The outcome of a run, carried to the host by DllReadyForUnload.
#pragma once

#include <cstdint>

namespace bridgefw {

constexpr int32_t ResultNone = 0;
constexpr int32_t ResultDriveMismatch = 11;
constexpr int32_t ResultNoDrive = 12;
constexpr int32_t ResultMultipleDrives = 13;
constexpr int32_t ResultUpgradeFailed = 17;
constexpr int32_t ResultUpgradeSucceeded = 18;

}  // namespace bridgefw
