// The USB vendor and product id in a drive's parent device id
// ("USB\VID_2B4E&PID_1A2B\...").
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace bridgefw::cli {

// The hexadecimal number after "VID_", up to the next character that is
// not a hexadecimal digit; none when there is no "VID_" or no digit.
std::optional<uint32_t> VendorIdOf(const std::string& parentId);

// The product id by the plugin's own rule (ParseDrivePid); none when that
// rule gives 0.
std::optional<uint32_t> ProductIdOf(const std::string& parentId);

}  // namespace bridgefw::cli
