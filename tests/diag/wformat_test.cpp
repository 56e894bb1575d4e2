#include "diag/wformat.h"

#include <cstdint>

#include <gtest/gtest.h>

namespace bridgefw {
namespace {

TEST(WFormatTest, Directives) {
  const WString text = u"ZT Firmware Updater";
  const WChar* nullText = nullptr;
  struct Case {
    WString actual;
    const char16_t* expected;
  };
  const Case cases[] = {
      {WFormat(u"%s::%s:%s", u"A", text, u""), u"A::ZT Firmware Updater:"},
      {WFormat(u"[%s]", nullText), u"[]"},
      {WFormat(u"%d %d %d", 0, -7, INT32_MIN), u"0 -7 -2147483648"},
      {WFormat(u"%u", uint32_t{4294967295u}), u"4294967295"},
      {WFormat(u"%u", 183), u"183"},
      {WFormat(u"%X %x", 0xBEEFu, 0xBEEFu), u"BEEF beef"},
      {WFormat(u"%X", -1), u"FFFFFFFF"},  // 32-bit two's complement
      {WFormat(u"%X", int32_t{-2}), u"FFFFFFFE"},
      {WFormat(u"100%%"), u"100%"},
      {WFormat(u"%d and %d", 1), u"1 and %d"},  // missing argument
      {WFormat(u"%d", u"text"), u"%d"},         // wrong kind
      {WFormat(u"%q %", 1), u"%q %"},           // unknown directive, lone percent
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.actual, WString(c.expected));
  }
  EXPECT_EQ(WFormat(nullptr), WString());
}

}  // namespace
}  // namespace bridgefw
