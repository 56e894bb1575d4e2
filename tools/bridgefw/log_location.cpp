#include "log_location.h"

#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/text.h"

namespace bridgefw::cli {
namespace {

constexpr const WChar* kSection = u"FW Updater";

WString ReadSetting(const WString& configPath, const WChar* key, const WChar* defaultValue) {
  WChar value[platform::kMaxPath] = {};
  platform::ReadProfileString(kSection, key, defaultValue, value, platform::kMaxPath,
                              configPath.c_str());
  return value;
}

}  // namespace

std::string PluginLogPath() {
  WChar executable[platform::kMaxPath] = {};
  const uint32_t written = platform::GetExecutablePath(executable, platform::kMaxPath);
  if (written == 0 || written >= platform::kMaxPath) return std::string();
  const WString path(executable, written);
  const size_t lastBackslash = path.rfind(u'\\');
  const WString directory =
      lastBackslash == WString::npos ? WString() : path.substr(0, lastBackslash + 1);
  const WString configPath = directory + u"Ref\\UpdaterConfig.ini";

  const WString logDirectory =
      ReadSetting(configPath, u"AppDataLogDirName", u"Zentara\\logs\\ZT Firmware Updater");
  const WString logName = ReadSetting(configPath, u"AppDataLogName", u"Updater.log");
  WChar folder[platform::kMaxPath] = {};
  if (platform::GetCommonAppDataFolder(folder) < 0) folder[0] = 0;
  return platform::NativePath(WString(folder) + u"\\" + logDirectory + u"\\" + logName);
}

}  // namespace bridgefw::cli
