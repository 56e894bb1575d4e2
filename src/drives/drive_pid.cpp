#include "drives/drive_pid.h"

#include <cstdint>

#include "drives/device_interfaces.h"
#include "platform/device.h"

namespace bridgefw {
namespace {

bool StartsWith(const WString& text, const WChar* prefix) {
  const WString p(prefix);
  return text.compare(0, p.size(), p) == 0;
}

int HexDigit(WChar c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

bool IsSpace(WChar c) {
  return c == u' ' || (c >= 9 && c <= 13);
}

// strtol(text, 16) with a 32-bit long: leading white space, a sign, an
// optional "0x" before a digit, digits up to the first other character; a
// value out of range gives the nearest limit; no digits give 0.
int32_t ParseHex(const WString& text) {
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  if (i + 2 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X') &&
      HexDigit(text[i + 2]) >= 0) {
    i += 2;
  }
  int64_t value = 0;
  constexpr int64_t kLimit = int64_t{1} << 31;  // INT32_MAX + 1
  for (; i < text.size() && HexDigit(text[i]) >= 0; ++i) {
    value = value * 16 + HexDigit(text[i]);
    if (value > kLimit) value = kLimit;
  }
  if (negative) return static_cast<int32_t>(-value);
  return value >= kLimit ? INT32_MAX : static_cast<int32_t>(value);
}

}  // namespace

WString GetParentDeviceId(uint32_t devInst) {
  const WString id = GetDeviceId(devInst);
  if (!StartsWith(id, u"USBSTOR\\DISK") && !StartsWith(id, u"SCSI\\DISK") &&
      !StartsWith(id, u"SBP2\\ZT")) {
    return WString();
  }
  uint32_t parent = 0;
  if (platform::GetParentDevice(&parent, devInst, 0) != platform::kCrSuccess) return WString();
  return GetDeviceId(parent);
}

int32_t ParseDrivePid(const WString& parentId) {
  static const WChar* const kKeywords[] = {u"PID_", u"TOWER_BOX_", u"GO_TRAVELER_"};
  size_t start = WString::npos;
  for (const WChar* keyword : kKeywords) {
    const size_t found = parentId.find(keyword);
    if (found != WString::npos) {
      start = found + WString(keyword).size();
      break;
    }
  }
  if (start == WString::npos || start >= parentId.size()) return 0;
  const size_t backslash = parentId.find(u'\\', start);
  if (backslash == WString::npos) return 0;
  return ParseHex(parentId.substr(start, backslash - start));
}

}  // namespace bridgefw
