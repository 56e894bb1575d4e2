#include "hex_id.h"

#include <cctype>
#include <cstdio>

namespace bridgefw::cli {

bool ParseHexId(const std::string& text, uint32_t& value, std::string& error) {
  size_t start = 0;
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) start = 2;
  if (start == text.size()) {
    error = "'" + text + "' is not a hexadecimal id (e.g. 2B4E or 0x2B4E)";
    return false;
  }
  uint64_t result = 0;
  for (size_t i = start; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (std::isxdigit(c) == 0) {
      error = "'" + text + "' is not a hexadecimal id (e.g. 2B4E or 0x2B4E)";
      return false;
    }
    const uint64_t digit = std::isdigit(c) != 0 ? uint64_t{c} - '0'
                                                : static_cast<uint64_t>(std::tolower(c) - 'a' + 10);
    // Beyond 0xFFFF the value is out of range however many digits follow.
    if (result <= 0xFFFF) result = result * 16 + digit;
  }
  if (result > 0xFFFF) {
    error = "'" + text + "' is out of range: a USB id is 0 to FFFF";
    return false;
  }
  value = static_cast<uint32_t>(result);
  return true;
}

CLI::Validator HexIdValidator() {
  return CLI::Validator(
      [](std::string& text) {
        uint32_t value = 0;
        std::string error;
        return ParseHexId(text, value, error) ? std::string() : error;
      },
      std::string());
}

std::string FormatHexId(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%04X", value);
  return text;
}

}  // namespace bridgefw::cli
