// The JSON form of the drive descriptions (docs/EMULATION.md). Internal to
// the emulation library.
#pragma once

#include <nlohmann/json.hpp>
#include <vector>

#include "emulation/emulated_drive.h"

namespace bridgefw::emulation {

constexpr int kFormatVersion = 1;

nlohmann::json DrivesToJson(const std::vector<EmulatedDrive>& drives);

// Throws std::runtime_error (or a nlohmann::json exception) naming what is
// wrong. Fills the defaults (device path, flash file) and checks that names
// and device paths are unique.
std::vector<EmulatedDrive> DrivesFromJson(const nlohmann::json& document);

}  // namespace bridgefw::emulation
