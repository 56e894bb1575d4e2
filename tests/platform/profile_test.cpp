// INI reading with the private-profile rules (platform/profile.h).
#include "platform/profile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text.h"
#include "support/temp_dir.h"

namespace bridgefw::platform {
namespace {

struct Answer {
  WString text;
  uint32_t returned;
};

class ProfileTest : public ::testing::Test {
 protected:
  // Writes `bytes` as the INI file and reads one key from it.
  Answer Read(const std::string& bytes, const WChar* section, const WChar* key,
              const WChar* defaultValue = u"<default>", uint32_t size = 260) {
    testing::WriteWholeFile(m_dir.Native("config.ini"), bytes);
    return ReadFrom(m_dir.Core("config.ini"), section, key, defaultValue, size);
  }

  static Answer ReadFrom(const WString& path, const WChar* section, const WChar* key,
                         const WChar* defaultValue, uint32_t size = 260) {
    std::vector<WChar> buffer(size + 1, u'#');
    const uint32_t returned =
        ReadProfileString(section, key, defaultValue, buffer.data(), size, path.c_str());
    EXPECT_EQ(buffer[size], u'#') << "wrote past the buffer";
    return {size == 0 ? WString() : WString(buffer.data()), returned};
  }

  testing::TempDir m_dir;
};

const char kConfig[] =
    "; configuration of the updater\r\n"
    "[Other]\r\n"
    "AppDataLogName=other.log\r\n"
    "\r\n"
    "  [ FW Updater ]  \r\n"
    "appdatalogname = \t Updater2.log \t\r\n"
    "Quoted=\"  spaced value  \"\r\n"
    "Single='single'\r\n"
    "Empty=\r\n"
    "EmptyQuotes=\"\"\r\n"
    "Blank=   \r\n"
    "Inner=say \"hi\" there\r\n"
    "Unbalanced=\"open\r\n"
    "Mixed=\"text'\r\n"
    "Twice=\"\"x\"\"\r\n"
    "Lone=\"\r\n"
    "Equation=a=b\r\n"
    "Semicolon=a ; b\r\n"
    ";Commented=hidden\r\n"
    "NoEquals\r\n"
    "Dup=first\r\n"
    "Dup=second\r\n"
    "[Third]\r\n"
    "OnlyHere=3\r\n";

TEST_F(ProfileTest, ValuesFollowThePrivateProfileRules) {
  struct Case {
    const WChar* section;
    const WChar* key;
    const WChar* expected;
  };
  const Case cases[] = {
      {u"FW Updater", u"AppDataLogName", u"Updater2.log"},
      {u"fw updater", u"APPDATALOGNAME", u"Updater2.log"},
      {u"Other", u"AppDataLogName", u"other.log"},
      {u"FW Updater", u"Quoted", u"  spaced value  "},
      {u"FW Updater", u"Single", u"single"},
      {u"FW Updater", u"Empty", u""},
      {u"FW Updater", u"EmptyQuotes", u""},
      {u"FW Updater", u"Blank", u""},
      {u"FW Updater", u"Inner", u"say \"hi\" there"},
      {u"FW Updater", u"Unbalanced", u"\"open"},
      {u"FW Updater", u"Mixed", u"\"text'"},
      {u"FW Updater", u"Twice", u"\"x\""},
      {u"FW Updater", u"Lone", u"\""},
      {u"FW Updater", u"Equation", u"a=b"},
      {u"FW Updater", u"Semicolon", u"a ; b"},
      {u"FW Updater", u"Dup", u"first"},
      {u"Third", u"OnlyHere", u"3"},
      // Missing section or key, or no value: the default.
      {u"FW Updater", u"Commented", u"<default>"},
      {u"FW Updater", u"NoEquals", u"<default>"},
      {u"FW Updater", u"OnlyHere", u"<default>"},
      {u"FW", u"AppDataLogName", u"<default>"},
      {u"FW  Updater", u"AppDataLogName", u"<default>"},
      {u"Missing", u"AppDataLogName", u"<default>"},
      {u"FW Updater", u"AppDataLogDirName", u"<default>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(NarrowUtf8(WString(c.section) + u"/" + c.key));
    const Answer answer = Read(kConfig, c.section, c.key);
    EXPECT_EQ(answer.text, c.expected);
    EXPECT_EQ(answer.returned, WLength(c.expected));
  }
}

TEST_F(ProfileTest, MissingFileGivesTheDefault) {
  const Answer answer =
      ReadFrom(m_dir.Core("absent.ini"), u"FW Updater", u"AppDataLogName", u"Updater.log");
  EXPECT_EQ(answer.text, u"Updater.log");
  EXPECT_EQ(answer.returned, 11u);
}

// A null default is empty; trailing spaces of the default are dropped; a
// null section or key reads nothing.
TEST_F(ProfileTest, DefaultRules) {
  EXPECT_EQ(Read(kConfig, u"Missing", u"Key", nullptr).text, u"");
  const Answer trimmed = Read(kConfig, u"Missing", u"Key", u"  keep  ");
  EXPECT_EQ(trimmed.text, u"  keep");
  EXPECT_EQ(trimmed.returned, 6u);
  EXPECT_EQ(Read(kConfig, nullptr, u"AppDataLogName").text, u"<default>");
  EXPECT_EQ(Read(kConfig, u"FW Updater", nullptr).text, u"<default>");
}

TEST_F(ProfileTest, ResultIsCutToTheBuffer) {
  struct Case {
    const WChar* key;  // "Long" is in the file, "Absent" gives the default
    uint32_t size;
    const WChar* expected;
  };
  const Case cases[] = {
      {u"Long", 4, u"abc"},         {u"Long", 7, u"abcdef"},
      {u"Long", 8, u"abcdef"},      {u"Long", 1, u""},
      {u"Quoted", 3, u"ab"},        {u"Absent", 3, u"de"},
      {u"Absent", 260, u"default"},
  };
  const std::string file = "[s]\nLong=abcdef\nQuoted=\"abcdef\"\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << NarrowUtf8(c.key) << ", size " << c.size);
    const Answer answer = Read(file, u"s", c.key, u"default", c.size);
    EXPECT_EQ(answer.text, c.expected);
    EXPECT_EQ(answer.returned, WLength(c.expected));
  }
  EXPECT_EQ(Read(file, u"s", u"Long", u"default", 0).returned, 0u);
}

TEST_F(ProfileTest, ReadsUtf8AndUtf16Files) {
  const std::string utf8Body =
      "[FW Updater]\nAppDataLogName=Gr\xC3\xB6\xC3\x9Fo \xF0\x9F\x98\x80.log\n";
  const WString expected = u"Gr\u00F6\u00DFo \xD83D\xDE00.log";

  std::string utf16Body = "\xFF\xFE";
  for (WChar c : WidenUtf8(utf8Body)) {
    utf16Body.push_back(static_cast<char>(c & 0xFF));
    utf16Body.push_back(static_cast<char>(c >> 8));
  }
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"UTF-8", utf8Body},
      {"UTF-8 with byte-order mark", "\xEF\xBB\xBF" + utf8Body},
      {"UTF-16LE with byte-order mark", utf16Body},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Read(c.bytes, u"fw updater", u"appdatalogname").text, expected);
  }
}

TEST_F(ProfileTest, PathIsACorePath) {
  testing::WriteWholeFile(m_dir.Native("config.ini"), "[s]\nk=v\n");
  WString corePath = m_dir.Core("config.ini");
  ASSERT_NE(corePath.find(u'\\'), WString::npos);
  EXPECT_EQ(ReadFrom(corePath, u"s", u"k", u"d").text, u"v");
}

}  // namespace
}  // namespace bridgefw::platform
