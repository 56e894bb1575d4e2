// The unit serial number page as a serial number: the bytes taken from the
// page and the cleaning of the text.
#include "drives/serial_page.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace bridgefw {
namespace {

std::vector<uint8_t> Page(uint16_t length, const std::string& bytes, size_t size) {
  std::vector<uint8_t> page(size, 0);
  page[1] = 0x80;
  page[2] = static_cast<uint8_t>(length >> 8);
  page[3] = static_cast<uint8_t>(length & 0xFF);
  for (size_t i = 0; i < bytes.size() && 4 + i < size; ++i)
    page[4 + i] = static_cast<uint8_t>(bytes[i]);
  return page;
}

TEST(SerialPageTest, TakesThePageLengthOfBytes) {
  struct Case {
    const char* name;
    uint16_t length;
    std::string bytes;
    WString expected;
  };
  const Case cases[] = {
      {"whole serial", 6, "ABC123", u"ABC123"},
      {"length shorter than the bytes", 3, "ABC123", u"ABC"},
      {"length 0", 0, "ABC123", u""},
      {"zero byte ends the text", 6, std::string("AB\0C12", 6), u"AB"},
      {"bytes above 7Fh keep their value", 3, "\xE9\x80\xFF", u"\u00E9\u0080\u00FF"},
      {"blanks are kept here", 5, " A B ", u" A B "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> page = Page(c.length, c.bytes, 64);
    EXPECT_EQ(SerialNumberFromPage(page.data(), page.size()), c.expected);
  }
}

TEST(SerialPageTest, APageLengthAboveTheBufferTakesTheBufferToItsEnd) {
  // 32767-byte buffer: a length of FFFFh takes exactly 32763 bytes.
  const std::vector<uint8_t> page = Page(0xFFFF, std::string(40000, 'A'), 32767);
  const WString serial = SerialNumberFromPage(page.data(), page.size());
  EXPECT_EQ(serial.size(), 32763u);
  EXPECT_EQ(serial, WString(32763, u'A'));

  const std::vector<uint8_t> exact = Page(32763, std::string(32763, 'B'), 32767);
  EXPECT_EQ(SerialNumberFromPage(exact.data(), exact.size()).size(), 32763u);
}

TEST(SerialPageTest, ABufferWithoutHeaderGivesNothing) {
  const uint8_t bytes[3] = {0x00, 0x80, 0x00};
  EXPECT_EQ(SerialNumberFromPage(bytes, sizeof bytes), WString());
  EXPECT_EQ(SerialNumberFromPage(nullptr, 100), WString());
}

TEST(SerialPageTest, CleaningTrimsThenRemovesEveryZtPrefixInOnePass) {
  struct Case {
    WString raw;
    WString expected;
  };
  const Case cases[] = {
      {u"  ZT-ABC123  ", u"ABC123"},
      {u"ABC123", u"ABC123"},
      {u"AZT-BZT-C", u"ABC"},
      {u"ZT-ZT-", u""},
      {u"ZT- 12", u" 12"},  // trimmed before the removal
      {u" ZT- 12 ", u" 12"},
      {u"ZZT-T-", u"ZT-"},             // the removal brings "ZT-" together: it stays
      {u"\t\n12 34\r\v\f", u"12 34"},  // inner blanks stay
      {u"zt-12", u"zt-12"},            // case-sensitive
      {u"ZT12", u"ZT12"},
      {u"   ", u""},
      {u"", u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CleanSerialNumber(c.raw), c.expected) << NarrowUtf8(c.raw);
  }
}

}  // namespace
}  // namespace bridgefw
