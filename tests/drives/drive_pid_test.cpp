// The product id taken from a parent device id.
#include "drives/drive_pid.h"

#include <gtest/gtest.h>

namespace bridgefw {
namespace {

TEST(DrivePidTest, ParsesTheNumberAfterTheFirstKeywordUpToTheBackslash) {
  struct Case {
    WString parentId;
    int32_t expected;
  };
  const Case cases[] = {
      {u"USB\\VID_2B4E&PID_1A2B\\ZT0001", 0x1A2B},
      {u"USB\\VID_2B4E&PID_1A2B&MI_00\\ZT0001", 0x1A2B},  // '&' ends the digits
      {u"USB\\VID_2B4E&PID_1a2b\\X", 0x1A2B},
      {u"USB\\VID_2B4E&PID_1A2B", 0},  // no backslash after the digits
      {u"USB\\VID_2B4E&PID_", 0},      // nothing after the keyword
      {u"USB\\VID_2B4E&PID_\\X", 0},   // no digits
      {u"USB\\VID_2B4E&PID_XYZ\\X", 0},
      {u"SBP2\\ZT&TOWER_BOX_0123\\X", 0x123},
      {u"1394\\GO_TRAVELER_ABCD\\X", 0xABCD},
      {u"X\\GO_TRAVELER_11&PID_22\\Y", 0x22},        // PID_ is tried first
      {u"X\\GO_TRAVELER_44&TOWER_BOX_33\\Y", 0x33},  // then TOWER_BOX_
      {u"X&PID_12\\PID_34\\", 0x12},                 // the first occurrence
      {u"X&pid_12\\", 0},                            // case-sensitive
      {u"X&PID_ -1A\\", -0x1A},                      // blanks and a sign
      {u"X&PID_+7\\", 7},
      {u"X&PID_0x1A\\", 0x1A},            // as strtol reads base 16
      {u"X&PID_FFFFFFFFF\\", INT32_MAX},  // out of range: the limit
      {u"X&PID_-FFFFFFFFF\\", INT32_MIN},
      {u"USB\\ROOT_HUB20\\4&1", 0},
      {u"", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseDrivePid(c.parentId), c.expected) << NarrowUtf8(c.parentId);
  }
}

}  // namespace
}  // namespace bridgefw
