// printf-style formatting of UTF-16 text for log lines and reports.
//
// Supports %s (WString, const WChar*, a null pointer prints as nothing),
// %d (signed decimal), %u (unsigned decimal), %X / %x (hexadecimal, upper
// or lower case, no leading zeros) and %%. Arguments are type-checked at
// run time: a directive whose argument is missing or of the wrong kind is
// written as the directive itself, never undefined behaviour.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <type_traits>

#include "platform/text.h"

namespace bridgefw {

class WFormatArg {
 public:
  enum class Kind { kText, kSigned, kUnsigned };

  WFormatArg(const WString& text) : m_kind(Kind::kText), m_text(text.c_str()) {}  // NOLINT
  WFormatArg(const WChar* text) : m_kind(Kind::kText), m_text(text) {}            // NOLINT
  template <typename T, typename = std::enable_if_t<std::is_integral_v<T>>>
  WFormatArg(T value) {  // NOLINT
    if constexpr (std::is_signed_v<T>) {
      m_kind = Kind::kSigned;
      m_signed = value;
    } else {
      m_kind = Kind::kUnsigned;
      m_unsigned = value;
    }
  }

  Kind kind() const { return m_kind; }
  const WChar* text() const { return m_text; }
  int64_t asSigned() const;
  uint64_t asUnsigned() const;

 private:
  Kind m_kind = Kind::kText;
  const WChar* m_text = nullptr;
  int64_t m_signed = 0;
  uint64_t m_unsigned = 0;
};

WString WFormatList(const WChar* format, std::initializer_list<WFormatArg> args);

template <typename... Args>
WString WFormat(const WChar* format, const Args&... args) {
  return WFormatList(format, {WFormatArg(args)...});
}

}  // namespace bridgefw
