// One writing attempt on an emulated drive: what the emulation itself
// costs, and with the flash timing model on what a device would take
// (two banks of 12 sector erases and 192 page programs, three bank reads:
// about 1.6 s).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bridge/firmware_update.h"
#include "bridge/usb_dll_api.h"
#include "emulation/emulation_folder.h"
#include "flash/flash_file.h"
#include "platform/environment.h"
#include "platform/module.h"
#include "platform/paths.h"
#include "support/firmware_images.h"

namespace bridgefw {
namespace {

constexpr const char* kUsbId = "usb\\vid_2b4e&pid_1a2b\\a";

// A temporary emulation folder with drive "a", an image file and the
// stand-in loaded and bound.
class BenchDrive {
 public:
  explicit BenchDrive(bool timing) {
    char pattern[] = "/tmp/bridgefw-bench.XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
    m_folder = pattern;
    platform::SetEnvironmentValue("BRIDGEFW_EMULATION", m_folder.c_str());
    emulation::EmulatedDrive drive = emulation::UsbStorageDrive("a", "SER1");
    if (timing) drive.timing = emulation::FlashTiming{};
    const testing::Bytes old = testing::FirmwareImage(1);
    const testing::Bytes image = testing::FirmwareImage(2);
    std::ofstream(m_folder + "/image.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()),
               static_cast<std::streamsize>(image.size()));
    if (!emulation::WriteEmulationFolder(m_folder, {drive}) ||
        !flash::WriteFlashFile(emulation::FlashFilePath(m_folder, drive),
                               testing::FlashWith(old, old))) {
      std::abort();
    }
    m_image = platform::CorePath(m_folder + "/image.bin");
    m_module = platform::LoadModule(WidenUtf8(BRIDGEFW_VENDOR_LIBRARY).c_str());
    if (m_module == nullptr || !BindUsbDllApi(m_module, m_api)) std::abort();
  }
  ~BenchDrive() {
    platform::FreeModule(m_module);
    platform::SetEnvironmentValue("BRIDGEFW_EMULATION", nullptr);
    std::filesystem::remove_all(m_folder);
  }
  BenchDrive(const BenchDrive&) = delete;
  BenchDrive& operator=(const BenchDrive&) = delete;

  bool Attempt() const {
    return RunFirmwareAttempt(m_image, m_api, kUsbId) == FirmwareAttemptResult::kSucceeded;
  }

 private:
  std::string m_folder;
  WString m_image;
  platform::ModuleHandle m_module = nullptr;
  UsbDllApi m_api;
};

void WritingAttempt(benchmark::State& state, bool timing) {
  BenchDrive drive(timing);
  for (auto _ : state) {
    if (!drive.Attempt()) state.SkipWithError("the attempt failed");
  }
}

BENCHMARK_CAPTURE(WritingAttempt, emulation_only, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WritingAttempt, device_timing, true)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace
}  // namespace bridgefw
