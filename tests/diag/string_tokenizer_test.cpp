#include "diag/string_tokenizer.h"

#include <vector>

#include <gtest/gtest.h>

#include "diag/program_exception.h"

namespace bridgefw {
namespace {

std::vector<WString> Tokens(const StringTokenizer& tokenizer) {
  std::vector<WString> tokens;
  for (int32_t i = 0; i < tokenizer.GetCount(); ++i) tokens.push_back(tokenizer.GetToken(i));
  return tokens;
}

TEST(StringTokenizerTest, SplitsAtBackslashesIntoNonEmptyPieces) {
  struct Case {
    const char16_t* text;
    std::vector<WString> tokens;
  };
  const Case cases[] = {
      {u"", {}},
      {u"\\\\\\", {}},
      {u"Zentara\\logs\\ZT Firmware Updater", {u"Zentara", u"logs", u"ZT Firmware Updater"}},
      {u"C:\\a\\b", {u"C:", u"a", u"b"}},
      {u"\\\\server\\share", {u"server", u"share"}},
      {u"\\var\\lib\\", {u"var", u"lib"}},
      {u"a\\\\b", {u"a", u"b"}},
      {u"Updater.log", {u"Updater.log"}},
      {u"/a/b", {u"/a/b"}},  // only the backslash separates
  };
  for (const auto& c : cases) {
    const StringTokenizer tokenizer(c.text);
    EXPECT_EQ(tokenizer.GetCount(), static_cast<int32_t>(c.tokens.size()));
    EXPECT_EQ(Tokens(tokenizer), c.tokens) << "text: " << NarrowUtf8(c.text);
  }
}

TEST(StringTokenizerTest, IndexOutOfRangeGivesEmpty) {
  const StringTokenizer tokenizer(u"a\\b");
  EXPECT_EQ(tokenizer.GetToken(-1), WString());
  EXPECT_EQ(tokenizer.GetToken(2), WString());
  EXPECT_EQ(tokenizer.GetToken(INT32_MIN), WString());
  EXPECT_EQ(tokenizer.GetToken(1), WString(u"b"));
}

TEST(StringTokenizerTest, NullTextRaisesTheAssertionReport) {
  try {
    const StringTokenizer tokenizer(nullptr);
    FAIL() << "no exception";
  } catch (const ProgramException& e) {
    EXPECT_EQ(e.GetText(),
              WString(u"Exception Assertion!\nFile = .\\StringTokenizer.cpp\nLine = 36"));
  }
}

}  // namespace
}  // namespace bridgefw
