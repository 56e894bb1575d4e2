// What the host program's tests share: a temporary folder for the files
// of one test, images and emulation folders to run against, and the
// places the program writes to.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bridge/firmware_image.h"
#include "cli_runner.h"
#include "emulation/emulated_drive.h"
#include "emulation/emulation_folder.h"
#include "emulation_builder.h"
#include "file_io.h"
#include "flash_file.h"
#include "sample_image.h"
#include "support/temp_dir.h"

namespace bridgefw::testing {

class CliTest : public ::testing::Test {
 public:
  std::string Path(const std::string& relative) const { return m_dir.Native(relative); }

  std::string WriteFile(const std::string& relative, const std::vector<uint8_t>& bytes) const {
    const std::string path = Path(relative);
    std::string error;
    const size_t slash = relative.rfind('/');
    if (slash != std::string::npos) {
      EXPECT_TRUE(cli::MakeDirectories(Path(relative.substr(0, slash)), error)) << error;
    }
    EXPECT_TRUE(cli::WriteFileReplacing(path, bytes, error)) << error;
    return path;
  }

  static std::vector<uint8_t> NewerImage() {
    return cli::MakeSampleImage(cli::SampleRelease::kNewer);
  }
  static std::vector<uint8_t> OlderImage() {
    return cli::MakeSampleImage(cli::SampleRelease::kOlder);
  }
  // The newer sample with four bytes of its trailer replaced (CRC stamped
  // again, so only the replaced field is wrong).
  static std::vector<uint8_t> ImageWith(size_t offset, const char (&bytes)[5]) {
    std::vector<uint8_t> image = NewerImage();
    for (size_t i = 0; i < 4; ++i) image[offset + i] = static_cast<uint8_t>(bytes[i]);
    StampFirmwareCrc(image.data(), ComputeFirmwareCrc(0, image.data()));
    return image;
  }

  // An emulation folder of USB drives with these serial numbers (ids 2B4E
  // and 1A2B), the older sample in both banks.
  std::string Emulation(const std::vector<std::string>& serials,
                        const std::string& relative = "emulation") const {
    std::vector<cli::SimulatedDrive> drives;
    for (const std::string& serial : serials) drives.push_back({serial, 0x2B4E, 0x1A2B});
    std::string error;
    EXPECT_TRUE(cli::CreateEmulationFolder(Path(relative), drives, cli::BankState::kValid,
                                           cli::BankState::kValid, error))
        << error;
    return Path(relative);
  }

  // The flash file of drive `name` in `folder`; empty when there is none
  // (a test failure when it is `required`).
  static std::vector<uint8_t> Flash(const std::string& folder, const std::string& name,
                                    bool required = true) {
    std::vector<uint8_t> flash;
    uint64_t size = 0;
    std::string error;
    if (!cli::ReadFlashFile(folder + "/" + name + ".flash", flash, size, error)) {
      EXPECT_FALSE(required) << error;
      flash.clear();
    }
    return flash;
  }
  static std::vector<uint8_t> Bank(const std::vector<uint8_t>& flash, int bank) {
    const auto begin = flash.begin() + cli::kBankAddresses[bank];
    return std::vector<uint8_t>(begin, begin + static_cast<long>(kFirmwareImageSize));
  }

  // The data folder given with --log-dir, and the log the plugin writes
  // below it.
  std::string DataFolder() const { return Path("data"); }
  std::string LogFile() const {
    return DataFolder() + "/Zentara/logs/ZT Firmware Updater/Updater.log";
  }

  // Keeps the plugin away from the machine's /var/lib even when a test
  // gives no --log-dir.
  CliOptions Options() const {
    CliOptions options;
    options.env.push_back({"PROGRAMDATA", Path("programdata")});
    return options;
  }

  TempDir m_dir;
};

}  // namespace bridgefw::testing
