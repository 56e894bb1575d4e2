#include "platform/text.h"

namespace bridgefw {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf16(WString& out, char32_t cp) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out.push_back(static_cast<WChar>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<WChar>(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(static_cast<WChar>(cp));
  }
}

void AppendUtf8(std::string& out, char32_t cp) {
  auto put = [&out](uint32_t byte) { out.push_back(static_cast<char>(byte)); };
  if (cp < 0x80) {
    put(cp);
  } else if (cp < 0x800) {
    put(0xC0 | (cp >> 6));
    put(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    put(0xE0 | (cp >> 12));
    put(0x80 | ((cp >> 6) & 0x3F));
    put(0x80 | (cp & 0x3F));
  } else {
    put(0xF0 | (cp >> 18));
    put(0x80 | ((cp >> 12) & 0x3F));
    put(0x80 | ((cp >> 6) & 0x3F));
    put(0x80 | (cp & 0x3F));
  }
}

}  // namespace

WString WidenUtf8(const std::string& utf8) {
  WString out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    size_t extra = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
      cp = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1, cp = lead & 0x1Fu, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, cp = lead & 0x0Fu, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, cp = lead & 0x07u, minimum = 0x10000;
    } else {
      out.push_back(static_cast<WChar>(kReplacement));
      ++i;
      continue;
    }
    size_t used = 1;
    bool valid = true;
    for (; used <= extra; ++used) {
      if (i + used >= utf8.size()) {
        valid = false;
        break;
      }
      const auto next = static_cast<unsigned char>(utf8[i + used]);
      if ((next & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      cp = (cp << 6) | (next & 0x3Fu);
    }
    if (!valid || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(static_cast<WChar>(kReplacement));
      i += valid ? used : used;  // skip what was looked at
      continue;
    }
    AppendUtf16(out, cp);
    i += used;
  }
  return out;
}

std::string NarrowUtf8(const WString& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

size_t WLength(const WChar* text) {
  if (text == nullptr) return 0;
  size_t n = 0;
  while (text[n] != 0) ++n;
  return n;
}

}  // namespace bridgefw
