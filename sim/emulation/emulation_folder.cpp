#include "emulation/emulation_folder.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

#include "emulation/drive_json.h"

namespace bridgefw::emulation {
namespace {

void SetError(std::string* error, const std::string& text) {
  if (error != nullptr) *error = text;
}

std::string DrivesFilePath(const std::string& folder) {
  return (std::filesystem::path(folder) / kDrivesFileName).string();
}

}  // namespace

bool WriteEmulationFolder(const std::string& folder, const std::vector<EmulatedDrive>& drives,
                          std::string* error) {
  std::string text;
  try {
    // Round trip through the reader's checks, so that nothing is written
    // that could not be read back.
    const nlohmann::json document = DrivesToJson(drives);
    DrivesFromJson(document);
    text = document.dump(2) + "\n";
  } catch (const std::exception& e) {
    SetError(error, std::string("invalid drive descriptions: ") + e.what());
    return false;
  }

  std::error_code code;
  std::filesystem::create_directories(folder, code);
  if (code) {
    SetError(error, "cannot create " + folder + ": " + code.message());
    return false;
  }
  const std::string target = DrivesFilePath(folder);
  const std::string temporary = target + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
      SetError(error, "cannot write " + temporary);
      std::remove(temporary.c_str());
      return false;
    }
  }
  std::filesystem::rename(temporary, target, code);
  if (code) {
    SetError(error, "cannot replace " + target + ": " + code.message());
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

bool ReadEmulationFolder(const std::string& folder, std::vector<EmulatedDrive>& drives,
                         std::string* error) {
  const std::string path = DrivesFilePath(folder);
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    SetError(error, "cannot open " + path);
    return false;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (ParseDrivesFile(text, drives, error)) return true;
  if (error != nullptr) *error = path + ": " + *error;
  return false;
}

bool ParseDrivesFile(const std::string& text, std::vector<EmulatedDrive>& drives,
                     std::string* error) {
  try {
    drives = DrivesFromJson(nlohmann::json::parse(text));
  } catch (const std::exception& e) {
    SetError(error, e.what());
    return false;
  }
  return true;
}

std::string FlashFilePath(const std::string& folder, const EmulatedDrive& drive) {
  const std::string file = drive.flashFile.empty() ? drive.name + ".flash" : drive.flashFile;
  return (std::filesystem::path(folder) / file).string();
}

}  // namespace bridgefw::emulation
