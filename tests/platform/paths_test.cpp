#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "platform/environment.h"
#include "platform/error.h"
#include "platform/fault.h"
#include "platform/paths.h"
#include "support/temp_dir.h"

namespace bridgefw::platform {
namespace {

using bridgefw::testing::IsDirectory;
using bridgefw::testing::TempDir;
using bridgefw::testing::WriteWholeFile;

struct PathPair {
  const char* native;
  const char16_t* core;
};

TEST(PathsTest, CorePathAndNativePathConvertBothWays) {
  const PathPair cases[] = {
      {"/var/lib/x", u"\\var\\lib\\x"},
      {"/", u"\\"},
      {"", u""},
      {"relative/dir", u"relative\\dir"},
      {"/tmp/Zentara/logs/ZT Firmware Updater/Updater.log",
       u"\\tmp\\Zentara\\logs\\ZT Firmware Updater\\Updater.log"},
      {"/tmp/Gr\xC3\xBC\xC3\x9F"
       "e/\xE6\x97\xA5\xF0\x9F\x98\x80",
       u"\\tmp\\Grüße\\日😀"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.native);
    EXPECT_EQ(CorePath(c.native), WString(c.core));
    EXPECT_EQ(NativePath(c.core), std::string(c.native));
  }
}

TEST(PathsTest, CorePathCollapsesSlashRunsSoNoNetworkFormAppears) {
  EXPECT_EQ(CorePath("//tmp///x/"), WString(u"\\tmp\\x\\"));
  EXPECT_EQ(CorePath("a//b"), WString(u"a\\b"));
}

TEST(PathsTest, NativePathTakesDriveAndNetworkFormsLiterally) {
  EXPECT_EQ(NativePath(u"C:\\x"), "C:/x");
  EXPECT_EQ(NativePath(u"\\\\srv\\share"), "//srv/share");
}

class ExecutablePathTest : public ::testing::Test {
 protected:
  void TearDown() override { DisarmAllFaults(); }

  WString FullPath() {
    WChar buffer[4096];
    const uint32_t length = GetExecutablePath(buffer, 4096);
    EXPECT_GT(length, 0u);
    EXPECT_LT(length, 4096u);
    return WString(buffer, length);
  }
};

TEST_F(ExecutablePathTest, NamesThisTestProgramInCoreForm) {
  const WString path = FullPath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path[0], u'\\');
  EXPECT_EQ(path.find(u'/'), WString::npos);
  const WString name = u"\\platform_tests";
  ASSERT_GE(path.size(), name.size());
  EXPECT_EQ(path.substr(path.size() - name.size()), name);
  // The native form is the very file that runs.
  struct stat named {};
  struct stat running {};
  ASSERT_EQ(stat(NativePath(path).c_str(), &named), 0);
  ASSERT_EQ(stat("/proc/self/exe", &running), 0);
  EXPECT_EQ(named.st_dev, running.st_dev);
  EXPECT_EQ(named.st_ino, running.st_ino);
}

TEST_F(ExecutablePathTest, SmallBufferIsFilledAndTerminatedLikeGetModuleFileName) {
  const WString full = FullPath();
  const auto length = static_cast<uint32_t>(full.size());
  struct Case {
    uint32_t size;
    uint32_t result;
    bool cut;
  };
  const Case cases[] = {
      {length + 1, length, false},  // exactly fits with its terminator
      {length, length, true},       // one short: cut, result == size
      {5, 5, true},
      {1, 1, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    WString buffer(c.size, u'#');
    SetLastErrorCode(kErrorSuccess);
    EXPECT_EQ(GetExecutablePath(buffer.data(), c.size), c.result);
    const size_t kept = c.cut ? c.size - 1 : length;
    EXPECT_EQ(buffer.substr(0, kept), full.substr(0, kept));
    EXPECT_EQ(buffer[kept], u'\0');
    EXPECT_EQ(GetLastErrorCode(), c.cut ? kErrorInsufficientBuffer : kErrorSuccess);
  }
}

TEST_F(ExecutablePathTest, ZeroSizeAndInjectedFaultGiveZero) {
  WChar buffer[kMaxPath];
  EXPECT_EQ(GetExecutablePath(buffer, 0), 0u);
  EXPECT_EQ(GetLastErrorCode(), kErrorInsufficientBuffer);

  ArmFault(FaultSite::kExecutablePath, 1, false);
  EXPECT_EQ(GetExecutablePath(buffer, kMaxPath), 0u);
  EXPECT_NE(GetLastErrorCode(), kErrorSuccess);
  EXPECT_GT(GetExecutablePath(buffer, kMaxPath), 0u);  // one-shot fault
}

// Sets PROGRAMDATA for one test and restores the previous value.
class AppDataFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("PROGRAMDATA");
    m_hadOld = old != nullptr;
    if (m_hadOld) m_old = old;
  }
  void TearDown() override {
    if (m_hadOld) {
      platform::SetEnvironmentValue("PROGRAMDATA", m_old.c_str());
    } else {
      platform::SetEnvironmentValue("PROGRAMDATA", nullptr);
    }
    DisarmAllFaults();
  }

  static WString Folder(int32_t& result) {
    WChar buffer[kMaxPath];
    result = GetCommonAppDataFolder(buffer);
    return result >= 0 ? WString(buffer) : WString();
  }

  TempDir m_temp;

 private:
  bool m_hadOld = false;
  std::string m_old;
};

TEST_F(AppDataFolderTest, HonoursProgramDataAndCreatesItWhenMissing) {
  const char* suffixes[] = {"programdata/nested", "with-slash/"};
  for (const char* suffix : suffixes) {
    SCOPED_TRACE(suffix);
    const std::string native = m_temp.Native(suffix);
    platform::SetEnvironmentValue("PROGRAMDATA", native.c_str());
    int32_t result = -1;
    const WString folder = Folder(result);
    EXPECT_GE(result, 0);
    WString expected = CorePath(native);
    if (expected.back() == u'\\') expected.pop_back();
    EXPECT_EQ(folder, expected);
    EXPECT_TRUE(IsDirectory(native));
  }
}

TEST_F(AppDataFolderTest, FallsBackToVarLibWhenUnsetOrEmpty) {
  platform::SetEnvironmentValue("PROGRAMDATA", nullptr);
  int32_t result = -1;
  EXPECT_EQ(Folder(result), WString(u"\\var\\lib"));
  EXPECT_GE(result, 0);

  platform::SetEnvironmentValue("PROGRAMDATA", "");
  EXPECT_EQ(Folder(result), WString(u"\\var\\lib"));
  EXPECT_GE(result, 0);
}

TEST_F(AppDataFolderTest, RelativeProgramDataBecomesAFullPath) {
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(m_temp.Native().c_str()), 0);
  platform::SetEnvironmentValue("PROGRAMDATA", "rel/data");
  int32_t result = -1;
  const WString folder = Folder(result);
  ASSERT_EQ(chdir(previous), 0);
  EXPECT_GE(result, 0);
  EXPECT_EQ(folder, m_temp.Core("rel/data"));
  EXPECT_TRUE(IsDirectory(m_temp.Native("rel/data")));
}

TEST_F(AppDataFolderTest, FileInTheWayAndInjectedFaultAreNegative) {
  WriteWholeFile(m_temp.Native("plain-file"), "x");
  platform::SetEnvironmentValue("PROGRAMDATA", m_temp.Native("plain-file").c_str());
  int32_t result = 0;
  Folder(result);
  EXPECT_LT(result, 0);

  platform::SetEnvironmentValue("PROGRAMDATA", m_temp.Native().c_str());
  ArmFault(FaultSite::kAppDataFolder, 1, false);
  Folder(result);
  EXPECT_LT(result, 0);
  EXPECT_EQ(Folder(result), m_temp.Core());
  EXPECT_GE(result, 0);
}

}  // namespace
}  // namespace bridgefw::platform
