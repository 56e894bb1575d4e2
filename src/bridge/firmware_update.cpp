#include "bridge/firmware_update.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "bridge/firmware_image.h"
#include "drives/drive_mgr.h"
#include "platform/device.h"
#include "platform/file.h"
#include "platform/module.h"
#include "platform/sync.h"
#include "platform/thread.h"

namespace bridgefw {

WString g_firmwarePath;
std::atomic<bool> g_workerStarted{false};
std::atomic<bool> g_workerFinished{false};
std::atomic<bool> g_workerSucceeded{false};

namespace {

constexpr uint32_t kReleaseWaitMs = 5000;
constexpr int32_t kUsbIdListEntries = 256;
constexpr size_t kUsbIdEntryBytes = 64;
constexpr size_t kDeviceIdChars = 64;

// Written by the control thread before it starts a worker, read by that
// worker only.
UsbDllApi g_workerApi{};
// The worker of the current attempt; kept so that the control thread can
// make sure it is gone before the library it runs in, or the vendor
// library, is released.
platform::ThreadObject* g_workerThread = nullptr;
// A vendor library whose release the worker carries out at its end.
std::atomic<platform::ModuleHandle> g_releaseAtWorkerEnd{nullptr};

std::unique_ptr<uint8_t[]> NewBuffer() {
  return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[kFirmwareImageSize]);
}

}  // namespace

std::string UsbDeviceIdOf(uint32_t devInst) {
  std::string id;
  // A failed query leaves the id empty, and selecting it then fails.
  platform::GetParentDeviceIdA(devInst, id);
  if (id.size() >= kDeviceIdChars) id.resize(kDeviceIdChars - 1);
  for (char& c : id) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return id;
}

FirmwareAttemptResult RunFirmwareAttempt(const WString& path, const UsbDllApi& api,
                                         const std::string& usbId) {
  using Result = FirmwareAttemptResult;
  auto image = NewBuffer();
  auto bank = NewBuffer();
  if (!image || !bank) return Result::kNoMemory;
  std::vector<uint8_t> bytes;
  if (!platform::ReadFileBytes(path, kFirmwareImageSize, bytes)) return Result::kFileNotReadable;
  std::memset(image.get(), 0, kFirmwareImageSize);
  std::copy(bytes.begin(), bytes.end(), image.get());
  // The file's own CRC field is replaced: a file needs no correct CRC.
  StampFirmwareCrc(image.get(), ComputeFirmwareCrc(0, image.get()));
  if (!IsValidFirmwareImage(image.get())) return Result::kImageNotValid;

  if (api.GetUsbIdList == nullptr || api.QNSelectDeviceEx == nullptr ||
      api.QN8XXSerialFlashReadEx == nullptr || api.QN8XXSerialFlashProgrammingEx == nullptr ||
      api.QN847ChipRestEx == nullptr) {
    return Result::kLibraryIncomplete;
  }
  std::vector<uint8_t> idList(kUsbIdListEntries * kUsbIdEntryBytes, 0);
  api.GetUsbIdList(idList.data(), kUsbIdListEntries);
  if (api.QNSelectDeviceEx(usbId.c_str()) == 0) return Result::kNotSelected;

  std::memset(bank.get(), 0, kFirmwareImageSize);
  if (api.QN8XXSerialFlashReadEx(kBank0Address, bank.get(),
                                 static_cast<uint32_t>(kFirmwareImageSize)) != 1) {
    return Result::kBank0NotReadable;
  }
  // Keep a valid bank 0 until bank 1 holds the new image.
  const bool bank0Valid = IsValidFirmwareImage(bank.get());
  const uint32_t first = bank0Valid ? kBank1Address : kBank0Address;
  const uint32_t second = bank0Valid ? kBank0Address : kBank1Address;
  if (ProgramAndVerifyBank(api, image.get(), first) != 1) return Result::kFirstBankFailed;
  if (ProgramAndVerifyBank(api, image.get(), second) != 1) return Result::kSecondBankFailed;
  api.QN847ChipRestEx();
  return Result::kSucceeded;
}

int32_t ProgramAndVerifyBank(const UsbDllApi& api, const uint8_t* image, uint32_t address) {
  auto readBack = NewBuffer();
  if (!readBack) return -1;
  std::memset(readBack.get(), 0, kFirmwareImageSize);
  const auto size = static_cast<uint32_t>(kFirmwareImageSize);
  if (api.QN8XXSerialFlashProgrammingEx(address, image, size, 1) < 1) return -1;
  if (api.QN8XXSerialFlashReadEx(address, readBack.get(), size) < 1) return -1;
  if (std::memcmp(image, readBack.get(), kFirmwareImageSize) != 0) return -2;
  return 1;
}

uint32_t FirmwareUpdateThread(void* firmwarePath) {
  g_workerStarted = true;
  bool succeeded = false;
  try {
    const std::string usbId = UsbDeviceIdOf(DriveMgr::GetCurrentDrive().m_devInst);
    succeeded = RunFirmwareAttempt(*static_cast<const WString*>(firmwarePath), g_workerApi,
                                   usbId) == FirmwareAttemptResult::kSucceeded;
  } catch (...) {
    // A missing drive manager or drive ends the attempt as a failure.
    succeeded = false;
  }
  g_workerSucceeded = succeeded;
  if (platform::ModuleHandle usbDll = g_releaseAtWorkerEnd.exchange(nullptr)) {
    platform::FreeModule(usbDll);
  }
  g_workerFinished = true;
  return 0;
}

bool WaitForFirmwareWorker(uint32_t timeoutMs) {
  if (g_workerThread == nullptr) return true;
  if (platform::WaitForThread(g_workerThread, timeoutMs, nullptr) != platform::kWaitObject0) {
    return false;
  }
  platform::CloseThread(g_workerThread);
  g_workerThread = nullptr;
  return true;
}

bool StartFirmwareAttempt(platform::ModuleHandle usbDll) {
  // The previous attempt has reported its end; let its thread finish too,
  // so that two workers never overlap.
  WaitForFirmwareWorker(platform::kInfinite);
  g_workerStarted = false;
  g_workerFinished = false;
  g_workerSucceeded = false;
  if (!BindUsbDllApi(usbDll, g_workerApi)) g_workerApi = UsbDllApi{};
  platform::ThreadObject* worker =
      platform::CreateSuspendedThread(&FirmwareUpdateThread, &g_firmwarePath);
  if (worker == nullptr) return false;
  g_workerThread = worker;
  platform::ResumeThread(worker);
  return true;
}

void ReleaseUsbDllWhenWorkerIsDone(platform::ModuleHandle usbDll) {
  if (usbDll == nullptr) return;
  g_releaseAtWorkerEnd.store(usbDll);
  if (!WaitForFirmwareWorker(kReleaseWaitMs)) return;  // the worker releases it at its end
  if (platform::ModuleHandle pending = g_releaseAtWorkerEnd.exchange(nullptr)) {
    platform::FreeModule(pending);
  }
}

}  // namespace bridgefw
