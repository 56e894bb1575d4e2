#include "diag/wformat.h"

namespace bridgefw {
namespace {

void AppendNumber(WString& out, uint64_t value, unsigned base, bool upper) {
  WChar digits[24];
  int n = 0;
  do {
    const auto d = static_cast<unsigned>(value % base);
    digits[n++] = static_cast<WChar>(d < 10 ? u'0' + d : (upper ? u'A' : u'a') + d - 10);
    value /= base;
  } while (value != 0);
  while (n > 0) out.push_back(digits[--n]);
}

}  // namespace

int64_t WFormatArg::asSigned() const {
  return m_kind == Kind::kSigned ? m_signed : static_cast<int64_t>(m_unsigned);
}

uint64_t WFormatArg::asUnsigned() const {
  // %u and %X of a negative 32-bit value print its two's complement, as printf does.
  if (m_kind == Kind::kSigned) {
    return m_signed < 0 && m_signed >= INT32_MIN
               ? static_cast<uint64_t>(static_cast<uint32_t>(static_cast<int32_t>(m_signed)))
               : static_cast<uint64_t>(m_signed);
  }
  return m_unsigned;
}

WString WFormatList(const WChar* format, std::initializer_list<WFormatArg> args) {
  WString out;
  if (format == nullptr) return out;
  auto next = args.begin();
  for (const WChar* p = format; *p != 0; ++p) {
    if (*p != u'%') {
      out.push_back(*p);
      continue;
    }
    const WChar directive = p[1];
    if (directive == u'%') {
      out.push_back(u'%');
      ++p;
      continue;
    }
    const bool known = directive == u's' || directive == u'd' || directive == u'u' ||
                       directive == u'X' || directive == u'x';
    if (!known) {
      out.push_back(u'%');
      continue;
    }
    ++p;
    const bool wantText = directive == u's';
    const bool fits = next != args.end() && (next->kind() == WFormatArg::Kind::kText) == wantText;
    if (!fits) {
      out.push_back(u'%');
      out.push_back(directive);
      if (next != args.end()) ++next;
      continue;
    }
    const WFormatArg& arg = *next++;
    switch (directive) {
      case u's':
        if (arg.text() != nullptr) out += arg.text();
        break;
      case u'd': {
        const int64_t v = arg.asSigned();
        if (v < 0) {
          out.push_back(u'-');
          AppendNumber(out, static_cast<uint64_t>(-(v + 1)) + 1, 10, false);
        } else {
          AppendNumber(out, static_cast<uint64_t>(v), 10, false);
        }
        break;
      }
      case u'u':
        AppendNumber(out, arg.asUnsigned(), 10, false);
        break;
      default:
        AppendNumber(out, arg.asUnsigned(), 16, directive == u'X');
        break;
    }
  }
  return out;
}

}  // namespace bridgefw
