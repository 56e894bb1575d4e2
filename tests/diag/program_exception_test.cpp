#include "diag/program_exception.h"

#include <gtest/gtest.h>

namespace bridgefw {
namespace {

TEST(ProgramExceptionTest, ThreePartsAreJoinedWithoutBlanks) {
  struct Case {
    const WChar* className;
    const WChar* operation;
    const WChar* reason;
    const char16_t* expected;
  };
  const Case cases[] = {
      {u"ApplicationLog", u"CreateInstance", u"ApplicationLog already called.",
       u"ApplicationLog::CreateInstance:ApplicationLog already called."},
      {u"DriveMgr", u"Refresh", u"", u"DriveMgr::Refresh:"},
      {u"", u"", u"", u":::"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProgramException(c.className, c.operation, c.reason).GetText(), WString(c.expected));
  }
}

TEST(ProgramExceptionTest, TextConstructors) {
  const WChar* nullText = nullptr;
  EXPECT_EQ(ProgramException(nullText).GetText(), WString());
  EXPECT_EQ(ProgramException(u"[5]Unable to create directory(\\x).").GetText(),
            WString(u"[5]Unable to create directory(\\x)."));
  EXPECT_EQ(ProgramException(WString(u"a\nb")).GetText(), WString(u"a\nb"));
}

TEST(ProgramExceptionTest, CopiesKeepTheText) {
  ProgramException copy(u"other");
  {
    const ProgramException original(u"C", u"Op", u"why");
    copy = original;
  }
  EXPECT_EQ(copy.GetText(), WString(u"C::Op:why"));
}

TEST(ProgramExceptionTest, AssertionFailureThrowsThreeLines) {
  try {
    ProgramException::AssertionFailure(u".\\DriveMgr.cpp", 1062);
    FAIL() << "no exception";
  } catch (const ProgramException& e) {
    EXPECT_EQ(e.GetText(), WString(u"Exception Assertion!\nFile = .\\DriveMgr.cpp\nLine = 1062"));
  }
  try {
    ProgramException::AssertionFailure(u"f", -3);
    FAIL() << "no exception";
  } catch (const ProgramException& e) {
    EXPECT_EQ(e.GetText(), WString(u"Exception Assertion!\nFile = f\nLine = -3"));
  }
}

}  // namespace
}  // namespace bridgefw
