// The functions of the vendor's USB library that the firmware-writing
// worker calls, with the C calling convention, and their binding from a
// loaded library. The stand-in library of the tests defines them from
// these declarations.
#pragma once

#include <cstdint>

#include "platform/calling_convention.h"
#include "platform/module.h"

extern "C" {

// Fills `list` with up to `count` entries of 64 bytes. The plugin ignores
// the result.
int32_t BRIDGEFW_CDECL GetUsbIdList(uint8_t* list, int32_t count);
// Selects the USB device with that lower-case 8-bit device instance id for
// the calls below; nonzero on success.
int32_t BRIDGEFW_CDECL QNSelectDeviceEx(const char* deviceId);
// Reads `length` bytes of serial flash from `address`; 1 on success.
int32_t BRIDGEFW_CDECL QN8XXSerialFlashReadEx(uint32_t address, uint8_t* buffer, uint32_t length);
// Programs `length` bytes at `address`; 1 or more on success.
int32_t BRIDGEFW_CDECL QN8XXSerialFlashProgrammingEx(uint32_t address, const uint8_t* data,
                                                     uint32_t length, int32_t flag);
// Restarts the bridge chip. The plugin ignores the result.
int32_t BRIDGEFW_CDECL QN847ChipRestEx(void);

typedef int32_t(BRIDGEFW_CDECL* GetUsbIdListProc)(uint8_t* list, int32_t count);
typedef int32_t(BRIDGEFW_CDECL* QNSelectDeviceExProc)(const char* deviceId);
typedef int32_t(BRIDGEFW_CDECL* QN8XXSerialFlashReadExProc)(uint32_t address, uint8_t* buffer,
                                                            uint32_t length);
typedef int32_t(BRIDGEFW_CDECL* QN8XXSerialFlashProgrammingExProc)(uint32_t address,
                                                                   const uint8_t* data,
                                                                   uint32_t length, int32_t flag);
typedef int32_t(BRIDGEFW_CDECL* QN847ChipRestExProc)(void);

}  // extern "C"

namespace bridgefw {

// The worker's view of the library: one pointer per function, null until
// bound.
struct UsbDllApi {
  GetUsbIdListProc GetUsbIdList = nullptr;
  QNSelectDeviceExProc QNSelectDeviceEx = nullptr;
  QN8XXSerialFlashReadExProc QN8XXSerialFlashReadEx = nullptr;
  QN8XXSerialFlashProgrammingExProc QN8XXSerialFlashProgrammingEx = nullptr;
  QN847ChipRestExProc QN847ChipRestEx = nullptr;
};

// Looks the five functions up in `module`. True when all were found; `api`
// is written in any case (missing ones null).
bool BindUsbDllApi(platform::ModuleHandle module, UsbDllApi& api);

}  // namespace bridgefw
