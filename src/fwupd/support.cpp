#include "fwupd/support.h"

#include "diag/application_log.h"
#include "platform/paths.h"
#include "platform/profile.h"

namespace bridgefw {
namespace {

constexpr const WChar* kSection = u"FW Updater";
constexpr const WChar* kConfigFolderAndName = u"Ref\\UpdaterConfig.ini";

WString ReadSetting(const WString& configFilePath, const WChar* key, const WChar* defaultValue) {
  WChar value[platform::kMaxPath] = {};
  platform::ReadProfileString(kSection, key, defaultValue, value, platform::kMaxPath,
                              configFilePath.c_str());
  return value;
}

}  // namespace

bool ConfigFilePathFromExecutable(const WChar* executablePath, uint32_t written, WString& path) {
  if (written == 0 || written >= platform::kMaxPath) return false;
  const WString executable(executablePath, written);
  const size_t lastBackslash = executable.rfind(u'\\');
  const WString directory =
      lastBackslash == WString::npos ? WString() : executable.substr(0, lastBackslash + 1);
  path = directory + kConfigFolderAndName;
  return true;
}

bool GetConfigFilePath(WString& path) {
  WChar executable[platform::kMaxPath] = {};
  const uint32_t written = platform::GetExecutablePath(executable, platform::kMaxPath);
  return ConfigFilePathFromExecutable(executable, written, path);
}

WString CZtFwUpdSupport::GetLogDirectory(const WString& configFilePath) {
  const WString name =
      ReadSetting(configFilePath, u"AppDataLogDirName", u"Zentara\\logs\\ZT Firmware Updater");
  WChar folder[platform::kMaxPath] = {};
  if (platform::GetCommonAppDataFolder(folder) < 0) folder[0] = 0;
  return WString(folder) + u"\\" + name;
}

WString CZtFwUpdSupport::GetLogFileName(const WString& configFilePath) {
  return ReadSetting(configFilePath, u"AppDataLogName", u"Updater.log");
}

void StartPluginLog(const WString& configFilePath) {
  const WString directory = CZtFwUpdSupport::GetLogDirectory(configFilePath);
  const WString fileName = CZtFwUpdSupport::GetLogFileName(configFilePath);
  ApplicationLog::CreateInstance(directory, fileName);
  ApplicationLog::Write(u"      === Plugin Start ===");
}

bool StartPluginLogSafely(const WString& configFilePath) {
  const bool hadLog = ApplicationLog::Exists();
  try {
    StartPluginLog(configFilePath);
    return true;
  } catch (...) {
    // A log created by this call but unusable is removed, so that nothing
    // relies on it; one that existed before is not ours to remove.
    if (!hadLog) ApplicationLog::DestroyInstance();
    return false;
  }
}

}  // namespace bridgefw
