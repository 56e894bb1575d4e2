#include "drives/serial_page.h"

namespace bridgefw {
namespace {

constexpr size_t kHeaderSize = 4;

bool IsWhiteSpace(WChar c) {
  return c == u' ' || (c >= 9 && c <= 13);
}

}  // namespace

WString SerialNumberFromPage(const uint8_t* buffer, size_t size) {
  if (buffer == nullptr || size < kHeaderSize) return WString();
  size_t length = size_t{buffer[2]} << 8 | buffer[3];
  if (length > size - kHeaderSize) length = size - kHeaderSize;
  WString serial;
  serial.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    const uint8_t byte = buffer[kHeaderSize + i];
    if (byte == 0) break;
    serial.push_back(static_cast<WChar>(byte));
  }
  return serial;
}

WString CleanSerialNumber(const WString& raw) {
  WString text = raw;
  while (!text.empty() && IsWhiteSpace(text.back())) text.pop_back();
  size_t first = 0;
  while (first < text.size() && IsWhiteSpace(text[first])) ++first;
  text.erase(0, first);

  static const WString kPrefix = u"ZT-";
  size_t at = 0;
  while ((at = text.find(kPrefix, at)) != WString::npos) text.erase(at, kPrefix.size());
  return text;
}

}  // namespace bridgefw
