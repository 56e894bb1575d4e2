#include "flash/bridge_log.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace bridgefw::flash {

std::string BridgeLogPath(const std::string& folder, const emulation::EmulatedDrive& drive) {
  return (std::filesystem::path(folder) / (drive.name + ".bridge.log")).string();
}

void AppendBridgeLog(const std::string& path, const std::string& line) {
  std::FILE* file = std::fopen(path.c_str(), "ab");
  if (file == nullptr) return;
  std::fputs(line.c_str(), file);
  std::fputc('\n', file);
  std::fclose(file);
}

std::vector<std::string> ReadBridgeLog(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

}  // namespace bridgefw::flash
