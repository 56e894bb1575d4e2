// Implementation detail of the device services: whether the emulated
// drives answer, read from the environment at every call.
#pragma once

#include <string>

namespace bridgefw::platform {

// BRIDGEFW_EMULATION when set and not empty (a native folder path), else
// empty: the real devices answer.
std::string EmulationFolder();

}  // namespace bridgefw::platform
