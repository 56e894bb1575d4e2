#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "diag/application_log.h"
#include "diag/program_exception.h"
#include "fwupd/support.h"
#include "platform/environment.h"
#include "platform/fault.h"
#include "support/temp_dir.h"

namespace bridgefw {
namespace {

TEST(ConfigFilePath, ComposedBesideTheExecutable) {
  struct Case {
    const char* what;
    std::u16string executable;
    uint32_t written;
    bool ok;
    std::u16string path;
  };
  const std::u16string longDir = u"C:\\" + std::u16string(250, u'd') + u"\\";
  const Case cases[] = {
      {"ordinary path", u"C:\\Program Files\\Host\\host.exe", 30, true,
       u"C:\\Program Files\\Host\\Ref\\UpdaterConfig.ini"},
      {"no backslash", u"host", 4, true, u"Ref\\UpdaterConfig.ini"},
      {"259 characters still fit", longDir + u"hostx", 259, true,
       longDir + u"Ref\\UpdaterConfig.ini"},
      {"260 characters may have been cut", longDir + u"hostxy", 260, false, u""},
      {"no path at all", u"", 0, false, u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(c.executable.size(), c.written);
    WString path = u"untouched";
    EXPECT_EQ(ConfigFilePathFromExecutable(c.executable.c_str(), c.written, path), c.ok);
    if (c.ok) {
      EXPECT_EQ(path, c.path);
    }
  }
}

TEST(ConfigFilePath, FromTheRunningExecutable) {
  WString path;
  ASSERT_TRUE(GetConfigFilePath(path));
  const std::u16string tail = u"\\Ref\\UpdaterConfig.ini";
  ASSERT_GT(path.size(), tail.size());
  EXPECT_EQ(path.substr(path.size() - tail.size()), tail);
  platform::ArmFault(platform::FaultSite::kExecutablePath, 1, false);
  EXPECT_FALSE(GetConfigFilePath(path));
}

class LogSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetEnvironmentValue("PROGRAMDATA", m_dir.Native("data").c_str());
  }
  void TearDown() override {
    platform::SetEnvironmentValue("PROGRAMDATA", nullptr);
    ApplicationLog::DestroyInstance();
    platform::DisarmAllFaults();
  }
  WString WriteConfig(const std::string& text) {
    testing::WriteWholeFile(m_dir.Native("UpdaterConfig.ini"), text);
    return m_dir.Core("UpdaterConfig.ini");
  }
  testing::TempDir m_dir;
};

TEST_F(LogSettings, DefaultsWithoutAConfigurationFile) {
  const WString config = m_dir.Core("missing.ini");
  EXPECT_EQ(CZtFwUpdSupport::GetLogDirectory(config),
            m_dir.Core("data") + u"\\Zentara\\logs\\ZT Firmware Updater");
  EXPECT_EQ(CZtFwUpdSupport::GetLogFileName(config), u"Updater.log");
}

TEST_F(LogSettings, ValuesFromTheFile) {
  struct Case {
    const char* what;
    std::string ini;
    std::u16string directory;  // below the data folder
    std::u16string fileName;
  };
  const Case cases[] = {
      {"name only, any letter case", "[fw updater]\nappdatalogname = Other.log\n",
       u"\\Zentara\\logs\\ZT Firmware Updater", u"Other.log"},
      {"quoted values lose their quotes",
       "[FW Updater]\nAppDataLogDirName=\"Vendor\\Logs\"\nAppDataLogName=\"Run.log\"\n",
       u"\\Vendor\\Logs", u"Run.log"},
      {"empty values stay empty", "[FW Updater]\nAppDataLogDirName=\nAppDataLogName=\n", u"\\",
       u""},
      {"other sections are not read", "[Other]\nAppDataLogName=Wrong.log\n",
       u"\\Zentara\\logs\\ZT Firmware Updater", u"Updater.log"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const WString config = WriteConfig(c.ini);
    EXPECT_EQ(CZtFwUpdSupport::GetLogDirectory(config), m_dir.Core("data") + c.directory);
    EXPECT_EQ(CZtFwUpdSupport::GetLogFileName(config), c.fileName);
  }
}

TEST_F(LogSettings, LongValuesAreCutTo259Characters) {
  const WString config =
      WriteConfig("[FW Updater]\nAppDataLogName=" + std::string(300, 'n') + "\n");
  EXPECT_EQ(CZtFwUpdSupport::GetLogFileName(config), WString(259, u'n'));
}

TEST_F(LogSettings, MissingDataFolderLeavesARootedDirectory) {
  platform::ArmFault(platform::FaultSite::kAppDataFolder, 1, false);
  EXPECT_EQ(CZtFwUpdSupport::GetLogDirectory(m_dir.Core("missing.ini")),
            u"\\Zentara\\logs\\ZT Firmware Updater");
}

TEST_F(LogSettings, StartPluginLogWritesTheStartLineOnce) {
  const WString config = WriteConfig("[FW Updater]\nAppDataLogName=Start.log\n");
  StartPluginLog(config);
  const std::string path = m_dir.Native("data/Zentara/logs/ZT Firmware Updater/Start.log");
  const std::string first = testing::ReadWholeFile(path);
  const std::string startLine = ">       === Plugin Start ===\r\n";
  ASSERT_GE(first.size(), startLine.size());
  EXPECT_EQ(first.substr(first.size() - startLine.size()), startLine);
  try {
    StartPluginLog(config);
    FAIL() << "second start accepted";
  } catch (const ProgramException& report) {
    EXPECT_EQ(report.GetText(), u"ApplicationLog::CreateInstance:ApplicationLog already called.");
  }
  EXPECT_EQ(testing::ReadWholeFile(path), first);
}

}  // namespace
}  // namespace bridgefw
