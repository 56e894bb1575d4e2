// INI file reading for POSIX, with the rules of the Windows private-profile
// reader that callers rely on:
// - "[section]" lines open a section; blanks around the name inside the
//   brackets are ignored. "key=value" lines belong to the section above
//   them; the key ends at the first '='. Blanks (spaces and tabs) around
//   keys and values are removed. Lines that begin with ';' are comments;
//   a ';' later in a line belongs to the value. Lines without '=' define no
//   value.
// - Section and key names are compared with ASCII letters folded to one
//   case; other characters must match exactly. The configuration uses
//   ASCII names only.
// - Only the first section of a name is searched, and the first line of a
//   key in it wins.
// - One pair of enclosing double or single quotes is removed from a value.
// - Trailing spaces of the default are removed, as Windows does.
// The file is decoded as UTF-16LE when it begins with the byte-order mark
// FF FE, otherwise as UTF-8 (a UTF-8 byte-order mark is skipped; invalid
// sequences become U+FFFD).
#include "platform/profile.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <new>
#include <string>

#include "platform/paths.h"

namespace bridgefw::platform {
namespace {

bool IsBlank(WChar c) {
  return c == u' ' || c == u'\t' || c == u'\r';
}

WString Trimmed(const WString& text, size_t begin, size_t end) {
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

WChar FoldAscii(WChar c) {
  return c >= u'A' && c <= u'Z' ? static_cast<WChar>(c - u'A' + u'a') : c;
}

bool SameName(const WString& a, const WString& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](WChar x, WChar y) {
           return FoldAscii(x) == FoldAscii(y);
         });
}

WString Decode(const std::string& bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    WString text;
    text.reserve(bytes.size() / 2);
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      const auto low = static_cast<unsigned char>(bytes[i]);
      const auto high = static_cast<unsigned char>(bytes[i + 1]);
      text.push_back(static_cast<WChar>(low | (high << 8)));
    }
    return text;
  }
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return WidenUtf8(bytes.substr(3));
  return WidenUtf8(bytes);
}

// False when the file cannot be opened or read.
bool ReadText(const std::string& nativePath, WString& text) {
  std::ifstream in(nativePath, std::ios::binary);
  if (!in) return false;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return false;
  text = Decode(bytes);
  return true;
}

// The raw (trimmed, still quoted) value of `key` in the first section named
// `section`; false when there is none.
bool FindValue(const WString& text, const WString& section, const WString& key, WString& value) {
  bool inSection = false;
  size_t lineStart = 0;
  while (lineStart < text.size()) {
    size_t lineEnd = text.find(u'\n', lineStart);
    if (lineEnd == WString::npos) lineEnd = text.size();
    const WString line = Trimmed(text, lineStart, lineEnd);
    lineStart = lineEnd + 1;

    if (line.empty() || line[0] == u';') continue;
    if (line[0] == u'[') {
      const size_t close = line.rfind(u']');
      if (close == WString::npos) continue;
      if (inSection) return false;  // the first section of that name ended
      inSection = SameName(Trimmed(line, 1, close), section);
      continue;
    }
    if (!inSection) continue;
    const size_t equals = line.find(u'=');
    if (equals == WString::npos) continue;
    if (SameName(Trimmed(line, 0, equals), key)) {
      value = Trimmed(line, equals + 1, line.size());
      return true;
    }
  }
  return false;
}

void RemoveEnclosingQuotes(WString& value) {
  if (value.size() >= 2 && (value[0] == u'"' || value[0] == u'\'') && value.back() == value[0]) {
    value = value.substr(1, value.size() - 2);
  }
}

uint32_t CopyOut(const WChar* text, size_t length, WChar* buffer, uint32_t size) {
  if (buffer == nullptr || size == 0) return 0;
  const size_t stored = std::min<size_t>(length, size - 1);
  std::copy_n(text, stored, buffer);
  buffer[stored] = 0;
  return static_cast<uint32_t>(stored);
}

uint32_t CopyDefault(const WChar* defaultValue, WChar* buffer, uint32_t size) {
  size_t length = WLength(defaultValue);
  while (length > 0 && defaultValue[length - 1] == u' ') --length;
  return CopyOut(defaultValue, length, buffer, size);
}

}  // namespace

uint32_t ReadProfileString(const WChar* section, const WChar* key, const WChar* defaultValue,
                           WChar* buffer, uint32_t size, const WChar* path) {
  if (section == nullptr || key == nullptr || path == nullptr) {
    return CopyDefault(defaultValue, buffer, size);
  }
  try {
    WString text;
    WString value;
    const WString sectionName = Trimmed(section, 0, WLength(section));
    const WString keyName = Trimmed(key, 0, WLength(key));
    if (!ReadText(NativePath(path), text) || !FindValue(text, sectionName, keyName, value)) {
      return CopyDefault(defaultValue, buffer, size);
    }
    RemoveEnclosingQuotes(value);
    const size_t nul = value.find(u'\0');
    return CopyOut(value.data(), nul == WString::npos ? value.size() : nul, buffer, size);
  } catch (const std::bad_alloc&) {
    return CopyDefault(defaultValue, buffer, size);
  }
}

}  // namespace bridgefw::platform
