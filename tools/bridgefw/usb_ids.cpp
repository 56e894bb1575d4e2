#include "usb_ids.h"

#include <cctype>

#include "drives/drive_pid.h"
#include "platform/text.h"

namespace bridgefw::cli {

std::optional<uint32_t> VendorIdOf(const std::string& parentId) {
  const size_t keyword = parentId.find("VID_");
  if (keyword == std::string::npos) return std::nullopt;
  uint32_t value = 0;
  size_t digits = 0;
  for (size_t i = keyword + 4; i < parentId.size() && digits < 8; ++i, ++digits) {
    const auto c = static_cast<unsigned char>(parentId[i]);
    if (std::isxdigit(c) == 0) break;
    const int digit = std::isdigit(c) != 0 ? c - '0' : std::tolower(c) - 'a' + 10;
    value = value * 16 + static_cast<uint32_t>(digit);
  }
  if (digits == 0) return std::nullopt;
  return value;
}

std::optional<uint32_t> ProductIdOf(const std::string& parentId) {
  const int32_t pid = ParseDrivePid(WidenUtf8(parentId));
  if (pid == 0) return std::nullopt;
  return static_cast<uint32_t>(pid);
}

}  // namespace bridgefw::cli
