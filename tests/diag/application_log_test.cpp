#include "diag/application_log.h"

#include <functional>
#include <regex>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "diag/file_error.h"
#include "diag/program_exception.h"
#include "diag/string_tokenizer.h"
#include "platform/error.h"
#include "platform/fault.h"
#include "platform/file.h"
#include "support/temp_dir.h"

namespace bridgefw {
namespace {

using bridgefw::testing::IsDirectory;
using bridgefw::testing::PathExists;
using bridgefw::testing::ReadWholeFile;
using bridgefw::testing::TempDir;
using bridgefw::testing::WriteWholeFile;

constexpr const char* kLogDir = "Zentara/logs/ZT Firmware Updater";
constexpr const char* kLogFile = "Zentara/logs/ZT Firmware Updater/Updater.log";
constexpr const char* kStamp = "05-Mar-2013 02:07:09 PM";

std::tm MakeTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return t;
}

bool FixedTime(std::tm& out) {
  out = MakeTime(2013, 3, 5, 14, 7, 9);
  return true;
}

WString ReportOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const ProgramException& e) {
    return e.GetText();
  }
  ADD_FAILURE() << "no ProgramException";
  return WString();
}

const WString kMissingInstance = u"ApplicationLog::Instance:CreateInstance must be called first.";

// A log below a fresh temp directory with the default directory setting and
// a fixed clock (5 March 2013, 14:07:09).
class ApplicationLogTest : public ::testing::Test {
 protected:
  void SetUp() override { ApplicationLog::DestroyInstance(); }
  void TearDown() override {
    ApplicationLog::DestroyInstance();
    platform::DisarmAllFaults();
  }

  void CreateLog() {
    ApplicationLog::CreateInstance(m_temp.Core(kLogDir), u"Updater.log");
    ApplicationLog::Instance().SetLocalTimeSource(FixedTime);
  }
  std::string LogContent() const { return ReadWholeFile(m_temp.Native(kLogFile)); }
  // The number of directories in the temp directory's own path.
  int32_t TempDepth() const { return StringTokenizer(m_temp.Core().c_str()).GetCount(); }

  TempDir m_temp;
};

TEST_F(ApplicationLogTest, WithoutInstanceWritesRaiseAndCreateNothing) {
  EXPECT_FALSE(ApplicationLog::Exists());
  EXPECT_EQ(ReportOf([] { ApplicationLog::Write(u"lost"); }), kMissingInstance);
  EXPECT_EQ(ReportOf([] { ApplicationLog::Instance(); }), kMissingInstance);

  CreateLog();
  ApplicationLog::DestroyInstance();
  EXPECT_FALSE(ApplicationLog::Exists());
  EXPECT_EQ(ReportOf([] { ApplicationLog::Write(u"lost"); }), kMissingInstance);
  EXPECT_FALSE(PathExists(m_temp.Native("Zentara")));
}

TEST_F(ApplicationLogTest, SecondCreateInstanceRaisesAndKeepsTheFirst) {
  CreateLog();
  EXPECT_FALSE(PathExists(m_temp.Native("Zentara")));  // creation touches no disk
  EXPECT_EQ(ReportOf([] { ApplicationLog::CreateInstance(u"\\elsewhere", u"Other.log"); }),
            WString(u"ApplicationLog::CreateInstance:ApplicationLog already called."));
  EXPECT_EQ(ApplicationLog::Instance().directory(), m_temp.Core(kLogDir));
  EXPECT_EQ(ApplicationLog::Instance().fileName(), WString(u"Updater.log"));
}

TEST_F(ApplicationLogTest, FirstWriteCreatesTheChainLaterWritesAppend) {
  CreateLog();
  ApplicationLog::Write(u"      === Plugin Start ===");
  EXPECT_TRUE(IsDirectory(m_temp.Native(kLogDir)));
  ApplicationLog::Write(u"*** SW_INFO *** second");
  const std::string firstRun = std::string(kStamp) + ">       === Plugin Start ===\r\n" + kStamp +
                               "> *** SW_INFO *** second\r\n";
  EXPECT_EQ(LogContent(), firstRun);

  // A new run appends to the same file.
  ApplicationLog::DestroyInstance();
  CreateLog();
  ApplicationLog::Write(u"next run");
  EXPECT_EQ(LogContent(), firstRun + kStamp + "> next run\r\n");
}

TEST_F(ApplicationLogTest, DeletedDirectoryComesBackWithTheNextEntry) {
  CreateLog();
  ApplicationLog::Write(u"one");
  ASSERT_EQ(std::remove(m_temp.Native(kLogFile).c_str()), 0);
  ASSERT_EQ(std::remove(m_temp.Native(kLogDir).c_str()), 0);
  ApplicationLog::Write(u"two");
  EXPECT_EQ(LogContent(), std::string(kStamp) + "> two\r\n");
}

TEST_F(ApplicationLogTest, TimeStampForm) {
  struct Case {
    std::tm time;
    const char16_t* expected;
  };
  const Case cases[] = {
      {MakeTime(2013, 3, 5, 14, 7, 9), u"05-Mar-2013 02:07:09 PM"},
      {MakeTime(2020, 1, 31, 0, 0, 0), u"31-Jan-2020 12:00:00 AM"},   // midnight
      {MakeTime(1999, 12, 1, 12, 0, 0), u"01-Dec-1999 12:00:00 PM"},  // noon
      {MakeTime(2001, 6, 9, 11, 59, 59), u"09-Jun-2001 11:59:59 AM"},
      {MakeTime(2001, 7, 9, 23, 59, 60), u"09-Jul-2001 11:59:60 PM"},  // leap second
      {MakeTime(2001, 9, 9, 1, 2, 3), u"09-Sep-2001 01:02:03 AM"},
      // Out of range: no stamp at all.
      {MakeTime(2013, 13, 5, 14, 7, 9), u""},
      {MakeTime(2013, 0, 5, 14, 7, 9), u""},
      {MakeTime(2013, 3, 0, 14, 7, 9), u""},
      {MakeTime(2013, 3, 32, 14, 7, 9), u""},
      {MakeTime(2013, 3, 5, 24, 7, 9), u""},
      {MakeTime(2013, 3, 5, -1, 7, 9), u""},
      {MakeTime(2013, 3, 5, 14, 60, 9), u""},
      {MakeTime(2013, 3, 5, 14, 7, 61), u""},
      {MakeTime(10000, 3, 5, 14, 7, 9), u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ApplicationLog::FormatTimeStamp(c.time), WString(c.expected))
        << "expected " << NarrowUtf8(c.expected);
  }
}

TEST_F(ApplicationLogTest, WithoutATimeTheLineBeginsWithTheMarker) {
  CreateLog();
  ApplicationLog::Instance().SetLocalTimeSource([](std::tm&) { return false; });
  ApplicationLog::Write(u"no clock");
  ApplicationLog::Instance().SetLocalTimeSource([](std::tm& out) {
    out = MakeTime(2013, 3, 5, 25, 0, 0);
    return true;
  });
  ApplicationLog::Write(u"bad hour");
  EXPECT_EQ(LogContent(), "> no clock\r\n> bad hour\r\n");
}

TEST_F(ApplicationLogTest, PlatformClockIsTheDefault) {
  CreateLog();
  ApplicationLog::Instance().SetLocalTimeSource(nullptr);
  ApplicationLog::Write(u"now");
  platform::ArmFault(platform::FaultSite::kLocalTime, 1, false);
  ApplicationLog::Write(u"clock failed");
  const std::regex line(
      "\\d\\d-(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec)-\\d{4} "
      "(0[1-9]|1[0-2]):[0-5]\\d:[0-6]\\d (AM|PM)> now\r\n> clock failed\r\n");
  EXPECT_TRUE(std::regex_match(LogContent(), line)) << LogContent();
}

TEST_F(ApplicationLogTest, LineFeedsBecomeLineEndsOnlyTheFirstIsStamped) {
  struct Case {
    const char16_t* text;
    std::string expected;
  };
  const Case cases[] = {
      {u"first\nsecond", std::string(kStamp) + "> first\r\nsecond\r\n"},
      {u"ends in a line feed\n", std::string(kStamp) + "> ends in a line feed\r\n\r\n"},
      {u"Exception Assertion!\nFile = .\\StringTokenizer.cpp\nLine = 36",
       std::string(kStamp) +
           "> Exception Assertion!\r\nFile = .\\StringTokenizer.cpp\r\nLine = 36\r\n"},
      {u"", std::string(kStamp) + "> \r\n"},
  };
  CreateLog();
  std::string expected;
  for (const auto& c : cases) {
    ApplicationLog::Write(c.text);
    expected += c.expected;
  }
  EXPECT_EQ(LogContent(), expected);
}

TEST_F(ApplicationLogTest, EightBitUnitsAsBytesOthersAsQuestionMarks) {
  CreateLog();
  ApplicationLog::Write(u"caf\u00e9 \u00ff|\u0100|\u20ac|\U0001F600|end");
  EXPECT_EQ(LogContent(), std::string(kStamp) + "> caf\xE9 \xFF|?|?|??|end\r\n");
}

TEST_F(ApplicationLogTest, TextEndsAtAnEmbeddedNul) {
  CreateLog();
  ApplicationLog::Write(WString(u"before\0after", 12));
  EXPECT_EQ(LogContent(), std::string(kStamp) + "> before\r\n");
}

TEST_F(ApplicationLogTest, EntryIsDroppedWhileTheFileIsHeld) {
  CreateLog();
  ApplicationLog::Write(u"kept");
  platform::FileObject* holder = platform::OpenFileForAppend(m_temp.Core(kLogFile));
  ASSERT_NE(holder, nullptr);
  EXPECT_NO_THROW(ApplicationLog::Write(u"dropped"));
  EXPECT_TRUE(platform::CloseFile(holder));
  ApplicationLog::Write(u"after");
  EXPECT_EQ(LogContent(), std::string(kStamp) + "> kept\r\n" + kStamp + "> after\r\n");
}

TEST_F(ApplicationLogTest, FileInTheWayOfTheChainRaisesTheDirectoryReport) {
  ASSERT_TRUE(bridgefw::testing::MakeDirectory(m_temp.Native("Zentara").c_str()));
  WriteWholeFile(m_temp.Native("Zentara/logs"), "not a directory");
  CreateLog();
  // "logs" exists (as a file), so its child is the directory that fails.
  EXPECT_EQ(ReportOf([] { ApplicationLog::Write(u"text"); }),
            u"[3]Unable to create directory(" + m_temp.Core(kLogDir) + u").");
  EXPECT_EQ(ReadWholeFile(m_temp.Native("Zentara/logs")), "not a directory");
}

TEST_F(ApplicationLogTest, FailedDirectoryKeepsTheEarlierOnesAndWritesNothing) {
  CreateLog();
  // Fail the second directory below the temp directory ("logs").
  platform::ArmFault(platform::FaultSite::kCreateDirectory, static_cast<uint32_t>(TempDepth() + 2),
                     false);
  EXPECT_EQ(ReportOf([] { ApplicationLog::Write(u"text"); }),
            u"[5]Unable to create directory(" + m_temp.Core("Zentara/logs") + u").");
  EXPECT_TRUE(IsDirectory(m_temp.Native("Zentara")));
  EXPECT_FALSE(PathExists(m_temp.Native("Zentara/logs")));
}

TEST_F(ApplicationLogTest, DriveServerAndRootComponentsOfTheChain) {
  // The first directory that preparation tries is where the injected fault
  // strikes, so the report names it.
  struct Case {
    const char16_t* path;
    const char16_t* firstCreated;
  };
  const Case cases[] = {
      {u"C:\\Data\\logs", u"C:\\Data"},                    // the drive is not created
      {u"\\\\server\\share\\logs", u"\\\\server\\share"},  // nor the server
      {u"\\var\\lib\\logs", u"\\var"},                     // rooted: stays below the root
      {u"Zentara\\logs", u"Zentara"},                      // relative
      {u"\\\\", nullptr},                                  // no component: nothing to do
      {u"", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(NarrowUtf8(c.path));
    platform::ArmFault(platform::FaultSite::kCreateDirectory, 1, false);
    if (c.firstCreated == nullptr) {
      EXPECT_NO_THROW(ApplicationLog::CreateDirectories(c.path));
    } else {
      EXPECT_EQ(ReportOf([&c] { ApplicationLog::CreateDirectories(c.path); }),
                u"[5]Unable to create directory(" + WString(c.firstCreated) + u").");
    }
    platform::DisarmAllFaults();
  }
}

TEST_F(ApplicationLogTest, FileErrorsCloseTheFile) {
  struct Case {
    platform::FaultSite site;
    uint32_t error;
    bool entryWritten;
  };
  const Case cases[] = {
      {platform::FaultSite::kSeekFile, platform::kErrorInvalidParameter, false},
      {platform::FaultSite::kWriteFile, platform::kErrorDiskFull, false},
      {platform::FaultSite::kCloseFile, platform::kErrorWriteFault, true},
  };
  CreateLog();
  std::string expected;
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<uint32_t>(c.site));
    platform::ArmFault(c.site, 1, false);
    try {
      ApplicationLog::Write(u"failing");
      ADD_FAILURE() << "no FileError";
    } catch (const FileError& e) {
      EXPECT_EQ(e.errorCode(), c.error);
    }
    if (c.entryWritten) expected += std::string(kStamp) + "> failing\r\n";
    // The file was closed: the next entry gets in.
    ApplicationLog::Write(u"next");
    expected += std::string(kStamp) + "> next\r\n";
    EXPECT_EQ(LogContent(), expected);
  }
}

TEST_F(ApplicationLogTest, ConcurrentWritersNeverInterleaveWithinALine) {
  CreateLog();
  constexpr int kEntries = 200;
  auto writer = [](const WString& text) {
    for (int i = 0; i < kEntries; ++i) ApplicationLog::Write(text);
  };
  std::thread host(writer, WString(u"host thread entry"));
  writer(u"control thread entry");
  host.join();

  const std::string content = LogContent();
  const std::regex line(std::string(kStamp) + "> (host|control) thread entry\r\n");
  size_t lines = 0;
  for (size_t begin = 0; begin < content.size(); ++lines) {
    const size_t end = content.find("\r\n", begin);
    ASSERT_NE(end, std::string::npos);
    EXPECT_TRUE(std::regex_match(content.substr(begin, end + 2 - begin), line));
    begin = end + 2;
  }
  EXPECT_GE(lines, 1u);
  EXPECT_LE(lines, 2u * kEntries);
}

}  // namespace
}  // namespace bridgefw
