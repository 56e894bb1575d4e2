// The JSON form of a drive's "faults" and "timing" (docs/EMULATION.md).
// Internal to the emulation library.
#pragma once

#include <nlohmann/json.hpp>

#include "emulation/bridge_faults.h"

namespace bridgefw::emulation {

nlohmann::json FaultsToJson(const BridgeFaults& faults);
nlohmann::json TimingToJson(const FlashTiming& timing);

// Throw std::runtime_error naming what is wrong; unknown keys are errors,
// so that a misspelt fault is not silently left out.
BridgeFaults FaultsFromJson(const nlohmann::json& in);
// `true` gives the default durations, `false` none.
std::optional<FlashTiming> TimingFromJson(const nlohmann::json& in);

}  // namespace bridgefw::emulation
