// The firmware-writing run: one worker thread at a time writes the image
// into both flash banks and verifies them; the control thread starts the
// attempts and polls the three flags.
#pragma once

#include <atomic>
#include <cstdint>

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
