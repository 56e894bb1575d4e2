#include "update_checks.h"

#include <cstdio>

#include "bridge/firmware_image.h"
#include "bridgefw/host_api.h"
#include "exit_status.h"
#include "file_io.h"
#include "firmware_file.h"
#include "platform/paths.h"

namespace bridgefw::cli {

WString CheckSerialNumber(const std::string& serial) {
  const WString units = WidenUtf8(serial);
  if (units.empty()) throw UsageError("--serial: an empty serial number never matches a drive");
  if (units.find(u'\0') != WString::npos) {
    throw UsageError("--serial: the serial number holds a NUL character");
  }
  if (units.size() > BRIDGE_SERIAL_NUMBER_UNITS - 1) {
    throw UsageError("--serial: '" + serial + "' is " + std::to_string(units.size()) +
                     " characters long; the plugin keeps at most " +
                     std::to_string(BRIDGE_SERIAL_NUMBER_UNITS - 1) +
                     ", so it would never match a drive");
  }
  return units;
}

WString CheckFirmwareFile(const std::string& path, bool force, uint16_t* crc) {
  const std::string absolute = AbsolutePath(path);
  FirmwareFile file;
  std::string error;
  if (!LoadFirmwareFile(absolute, file, error)) throw UsageError("--firmware: " + error);
  const ImageCheck check = CheckImage(file.image.data());
  if (crc != nullptr) *crc = check.computedCrc;
  if (!check.PluginAccepts()) {
    if (!force) {
      throw UsageError("--firmware: the plugin would reject " + absolute + ": " +
                       check.RejectReason() + " (--force sends it anyway, for testing)");
    }
    std::fprintf(stderr, "Note: --force: sending an image the plugin rejects (%s).\n",
                 check.RejectReason().c_str());
  }
  if (file.fileSize != kFirmwareImageSize) {
    std::fprintf(stderr,
                 "Note: %s is %llu bytes long; the plugin uses exactly 49152 bytes (a shorter "
                 "file is padded with zeros, bytes beyond are ignored).\n",
                 absolute.c_str(), static_cast<unsigned long long>(file.fileSize));
  }
  if (absolute.find('\\') != std::string::npos) {
    throw UsageError("--firmware: the plugin cannot open a path that holds a backslash: " +
                     absolute);
  }
  const WString core = platform::CorePath(absolute);
  if (core.size() > BRIDGE_FIRMWARE_PATH_UNITS - 1) {
    throw UsageError("--firmware: the path is longer than the plugin takes (" +
                     std::to_string(BRIDGE_FIRMWARE_PATH_UNITS - 1) + " characters)");
  }
  return core;
}

void CheckTimeout(double seconds) {
  // Also catches NaN.
  if (!(seconds > 0) || seconds > 1e7) {
    throw UsageError("--timeout: give a positive time, e.g. 600, 90s, 10m or 1h");
  }
}

std::string PrepareDataFolder(const std::string& folder) {
  const std::string absolute = AbsolutePath(folder);
  // The plugin takes the folder into a buffer of 260 characters.
  if (WidenUtf8(absolute).size() >= 260) {
    throw UsageError("--log-dir: the path is longer than the plugin takes (259 characters)");
  }
  std::string error;
  if (!MakeDirectories(absolute, error)) throw UsageError("--log-dir: " + error);
  return absolute;
}

}  // namespace bridgefw::cli
