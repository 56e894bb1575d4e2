// One emulated drive "a" with a flash file, reached through the vendor
// library stand-in as the writing worker reaches it. Each Load() is a fresh
// load of the stand-in, and so a fresh run of the emulated bridge (its
// fault and operation counters start from zero).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bridge/firmware_update.h"
#include "bridge/usb_dll_api.h"
#include "emulation/emulated_drive.h"
#include "flash/bridge_log.h"
#include "flash/flash_file.h"
#include "platform/module.h"
#include "platform/text.h"
#include "support/emulation.h"
#include "support/firmware_images.h"

namespace bridgefw::testing {

class StandInTest : public ::testing::Test {
 protected:
  // The lower-case parent id of drive "a", as the worker passes it.
  static constexpr const char* kUsbId = "usb\\vid_2b4e&pid_1a2b\\a";

  StandInTest() : m_drive(emulation::UsbStorageDrive("a", "SER1")) {}
  void SetUp() override { Describe(); }
  void TearDown() override { Unload(); }

  // Rewrites the drive's description with these faults and timing.
  void Describe(const emulation::BridgeFaults& faults = {},
                const std::optional<emulation::FlashTiming>& timing = std::nullopt) {
    m_drive.faults = faults;
    m_drive.timing = timing;
    m_folder.Write({m_drive});
  }

  std::string FlashPath() const { return m_folder.dir().Native("a.flash"); }
  std::string LogPath() const { return m_folder.dir().Native("a.bridge.log"); }

  void WriteFlash(const Bytes& flash) { ASSERT_TRUE(flash::WriteFlashFile(FlashPath(), flash)); }
  Bytes Flash() const {
    Bytes flash;
    EXPECT_TRUE(flash::ReadFlashFile(FlashPath(), flash));
    return flash;
  }
  Bytes Bank(int bank) const { return BankOf(Flash(), bank); }

  std::vector<std::string> BridgeLog() const { return flash::ReadBridgeLog(LogPath()); }
  void ClearBridgeLog() const { std::remove(LogPath().c_str()); }
  // The bridge log's lines that begin with `prefix`.
  size_t Logged(const std::string& prefix) const {
    const auto lines = BridgeLog();
    return static_cast<size_t>(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
      return l.compare(0, prefix.size(), prefix) == 0;
    }));
  }

  // Writes an image file and returns its path as the worker gets it.
  WString ImageFile(const Bytes& bytes, const std::string& name = "image.bin") const {
    WriteWholeFile(m_folder.dir().Native(name), std::string(bytes.begin(), bytes.end()));
    return m_folder.dir().Core(name);
  }

  // A fresh load of the stand-in, bound as the worker binds it.
  void Load() {
    Unload();
    m_module = platform::LoadModule(WidenUtf8(BRIDGEFW_VENDOR_LIBRARY).c_str());
    ASSERT_NE(m_module, nullptr);
    ASSERT_TRUE(BindUsbDllApi(m_module, m_api));
  }
  void Unload() {
    if (m_module != nullptr) platform::FreeModule(m_module);
    m_module = nullptr;
    m_api = UsbDllApi{};
  }

  FirmwareAttemptResult Attempt(const WString& image) {
    return RunFirmwareAttempt(image, m_api, kUsbId);
  }

  EmulationFolder m_folder;
  emulation::EmulatedDrive m_drive;
  platform::ModuleHandle m_module = nullptr;
  UsbDllApi m_api;
};

}  // namespace bridgefw::testing
