// Roads that really write firmware: emulated drives with flash files, an
// image file for the request, and the emulated bridge's log of what the
// vendor library did.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "emulation/emulated_drive.h"
#include "emulation/emulation_folder.h"
#include "flash/bridge_log.h"
#include "flash/flash_file.h"
#include "road_fixture.h"
#include "support/firmware_images.h"

namespace bridgefw::testing {

// The image that the roads write, and the one the drives start with.
inline const Bytes& NewFirmware() {
  static const Bytes image = FirmwareImage(2, 'B');
  return image;
}
inline const Bytes& OldFirmware() {
  static const Bytes image = FirmwareImage(1, 'A');
  return image;
}

inline void WriteDriveFlash(const std::string& folder, const emulation::EmulatedDrive& drive,
                            const Bytes& flash) {
  ASSERT_TRUE(flash::WriteFlashFile(emulation::FlashFilePath(folder, drive), flash));
}

class UpdateRoadTest : public RoadTest {
 protected:
  std::string Folder() const { return m_dir.Native("emulation"); }

  // Drive "a" answering "SER1", with these faults and timing and both
  // banks holding the old image.
  void UseBridge(const emulation::BridgeFaults& faults = {},
                 const std::optional<emulation::FlashTiming>& timing = std::nullopt,
                 const Bytes& flash = FlashWith(OldFirmware(), OldFirmware())) {
    m_drive = emulation::UsbStorageDrive("a", "SER1");
    m_drive.faults = faults;
    m_drive.timing = timing;
    UseDrives({m_drive});
    WriteDriveFlash(Folder(), m_drive, flash);
  }

  // An image file with these bytes, and a request for drive "a" with it.
  PluginHost::Request Request(const Bytes& file = NewFirmware()) {
    WriteWholeFile(m_dir.Native("firmware.bin"), std::string(file.begin(), file.end()));
    PluginHost::Request request;
    request.serial = u"SER1";
    request.vendorId = 0x2B4E;
    request.productId = 0x1A2B;
    request.firmwarePath = m_dir.Core("firmware.bin");
    return request;
  }

  Bytes Flash() const {
    Bytes flash;
    EXPECT_TRUE(flash::ReadFlashFile(emulation::FlashFilePath(Folder(), m_drive), flash));
    return flash;
  }
  std::vector<std::string> BridgeLog() const {
    return flash::ReadBridgeLog(flash::BridgeLogPath(Folder(), m_drive));
  }
  // The bridge log's lines that begin with `prefix`.
  size_t Logged(const std::string& prefix) const {
    const auto lines = BridgeLog();
    return static_cast<size_t>(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
      return l.compare(0, prefix.size(), prefix) == 0;
    }));
  }
  // Waits up to `timeoutMs` for a bridge log line that begins with `prefix`.
  bool WaitForLogged(const std::string& prefix, int timeoutMs) const {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Logged(prefix) == 0) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
  }

  emulation::EmulatedDrive m_drive;
};

}  // namespace bridgefw::testing
