// The firmware-writing run: one worker thread at a time writes the image
// into both flash banks and verifies them; the control thread starts the
// attempts and polls the three flags.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "bridge/usb_dll_api.h"
#include "platform/module.h"
#include "platform/text.h"

namespace bridgefw {

constexpr uint32_t kBank0Address = 0x00000;
constexpr uint32_t kBank1Address = 0x10000;
constexpr uint32_t kMaxUpgradeAttempts = 4;

// The image file's path, written by the control thread before the first
// attempt and only read afterwards.
extern WString g_firmwarePath;

// Cleared together by the control thread before an attempt is started, so
// that a poll never pairs a new attempt's start with the previous one's
// end. The worker sets g_workerStarted first and g_workerFinished last.
extern std::atomic<bool> g_workerStarted;
extern std::atomic<bool> g_workerFinished;
extern std::atomic<bool> g_workerSucceeded;

// Starts one attempt on a new worker thread with the vendor library's
// functions. Control thread only. False when the thread could not be
// started (the flags then stay cleared and the poll waits).
bool StartFirmwareAttempt(platform::ModuleHandle usbDll);

// One attempt; the thread procedure of the worker. Returns 0.
uint32_t FirmwareUpdateThread(void* firmwarePath);

// How a writing attempt ended (the attempt itself logs nothing).
enum class FirmwareAttemptResult : uint8_t {
  kSucceeded,          // both banks written and verified, the chip reset
  kNoMemory,           // no image or bank buffer
  kFileNotReadable,    // the image file cannot be opened
  kImageNotValid,      // wrong signature or model
  kLibraryIncomplete,  // a function of the vendor library is missing
  kNotSelected,        // the vendor library cannot select the device
  kBank0NotReadable,   // bank 0 could not be read
  kFirstBankFailed,    // the first bank was not written or not verified
  kSecondBankFailed,   // the second bank was not written or not verified
};

// One writing attempt: reads the image file `path`, stamps its CRC, checks
// it, selects the device `usbId` (the lower-case id of the drive's USB
// device) through the vendor library's functions `api`, writes and
// verifies both banks (first the bank other than a valid bank 0) and
// resets the chip.
FirmwareAttemptResult RunFirmwareAttempt(const WString& path, const UsbDllApi& api,
                                         const std::string& usbId);

// The id by which the vendor library knows the drive with the device
// instance `devInst`: its parent's (the USB device's) instance id in lower
// case, at most 63 characters; empty when either query fails.
std::string UsbDeviceIdOf(uint32_t devInst);

// Writes and read-back-verifies one bank: 1 verified; -1 allocation, write
// or read failure; -2 the read-back differs.
int32_t ProgramAndVerifyBank(const UsbDllApi& api, const uint8_t* image, uint32_t address);

// Frees the vendor library once no worker can be inside it: at once when
// none runs (or it ends within a few seconds), else at the worker's end.
// Control thread only.
void ReleaseUsbDllWhenWorkerIsDone(platform::ModuleHandle usbDll);

// Waits up to `timeoutMs` for a running worker to be completely gone. True
// when none runs any more. Control thread only.
bool WaitForFirmwareWorker(uint32_t timeoutMs);

}  // namespace bridgefw
