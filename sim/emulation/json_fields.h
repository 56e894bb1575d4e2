// Field readers shared by the JSON conversions of the emulation library.
// Internal to the library.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>

namespace bridgefw::emulation {

// A whole number from 0 to `maximum`; `fallback` when the key is absent.
// Throws std::runtime_error naming the key otherwise.
uint32_t NumberField(const nlohmann::json& object, const char* key, uint32_t fallback,
                     uint32_t maximum);

// A boolean; `fallback` when the key is absent.
bool BoolField(const nlohmann::json& object, const char* key, bool fallback);

}  // namespace bridgefw::emulation
