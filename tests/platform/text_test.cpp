// UTF-8 <-> UTF-16 conversion of platform/text.h.
#include "platform/text.h"

#include <gtest/gtest.h>

#include <string>

namespace bridgefw {
namespace {

TEST(TextTest, ValidTextRoundTrips) {
  struct Case {
    const char* name;
    std::string utf8;
    WString utf16;
  };
  const Case cases[] = {
      {"empty", "", u""},
      {"ASCII", "Updater.log", u"Updater.log"},
      {"two-byte", "Gr\xC3\xB6\xC3\x9Fo", u"Gr\u00F6\u00DFo"},
      {"three-byte", "\xE2\x82\xAC 5", u"\u20AC 5"},
      {"surrogate pair", "a\xF0\x9F\x98\x80z", u"a\xD83D\xDE00z"},
      {"highest code point", "\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(WidenUtf8(c.utf8), c.utf16);
    EXPECT_EQ(NarrowUtf8(c.utf16), c.utf8);
  }
}

TEST(TextTest, InvalidUtf8BecomesReplacementCharacters) {
  struct Case {
    const char* name;
    std::string utf8;
    WString expected;
  };
  const Case cases[] = {
      {"lone continuation byte", "a\x80z", u"a\uFFFDz"},
      {"invalid lead byte", "\xFFz", u"\uFFFDz"},
      {"sequence cut by an ASCII byte", "\xE2\x82z", u"\uFFFDz"},
      {"sequence cut by the end", "a\xE2\x82", u"a\uFFFD"},
      {"overlong slash", "\xC0\xAF", u"\uFFFD"},
      {"encoded surrogate", "\xED\xA0\x80x", u"\uFFFDx"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(WidenUtf8(c.utf8), c.expected);
  }
}

TEST(TextTest, UnpairedSurrogatesBecomeReplacementCharacters) {
  const std::string replacement = "\xEF\xBF\xBD";
  EXPECT_EQ(NarrowUtf8(WString(u"a") + WChar(0xD83D) + u"b"), "a" + replacement + "b");
  EXPECT_EQ(NarrowUtf8(WString(u"a") + WChar(0xDE00)), "a" + replacement);
  EXPECT_EQ(NarrowUtf8(WString(1, WChar(0xD83D))), replacement);
}

TEST(TextTest, LengthCountsCodeUnits) {
  EXPECT_EQ(WLength(nullptr), 0u);
  EXPECT_EQ(WLength(u""), 0u);
  EXPECT_EQ(WLength(u"a\xD83D\xDE00"), 3u);
}

}  // namespace
}  // namespace bridgefw
