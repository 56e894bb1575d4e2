// USB vendor and product ids as people type them: hexadecimal, with or
// without "0x" ("2B4E", "0x2b4e"), 0 to FFFF.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <string>

namespace bridgefw::cli {

// True with the value; false with a reason in `error`.
bool ParseHexId(const std::string& text, uint32_t& value, std::string& error);

// A CLI11 check that rejects what ParseHexId rejects.
CLI::Validator HexIdValidator();

// "2B4E": four upper-case digits.
std::string FormatHexId(uint32_t value);

}  // namespace bridgefw::cli
