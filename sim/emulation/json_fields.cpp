#include "emulation/json_fields.h"

#include <stdexcept>
#include <string>

namespace bridgefw::emulation {

uint32_t NumberField(const nlohmann::json& object, const char* key, uint32_t fallback,
                     uint32_t maximum) {
  if (!object.contains(key)) return fallback;
  const nlohmann::json& value = object.at(key);
  if (!value.is_number_integer() || value.get<int64_t>() < 0 || value.get<int64_t>() > maximum) {
    throw std::runtime_error(std::string(key) + " must be a whole number from 0 to " +
                             std::to_string(maximum));
  }
  return static_cast<uint32_t>(value.get<int64_t>());
}

bool BoolField(const nlohmann::json& object, const char* key, bool fallback) {
  if (!object.contains(key)) return fallback;
  const nlohmann::json& value = object.at(key);
  if (!value.is_boolean()) throw std::runtime_error(std::string(key) + " must be true or false");
  return value.get<bool>();
}

}  // namespace bridgefw::emulation
