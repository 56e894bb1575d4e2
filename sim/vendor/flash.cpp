// The selected bridge's serial flash and its reset. Programming erases the
// sectors of the range first when `flag` is nonzero (the plugin passes 1).
#include "bridge/usb_dll_api.h"
#include "bridges.h"
#include "omit.h"

using bridgefw::standin::Bridges;
using bridgefw::standin::Guarded;

extern "C" {

int32_t BRIDGEFW_CDECL QN8XXSerialFlashReadEx(uint32_t address, uint8_t* buffer, uint32_t length) {
  return Guarded([&] { return Bridges().Read(address, buffer, length) ? 1 : 0; });
}

int32_t BRIDGEFW_CDECL QN8XXSerialFlashProgrammingEx(uint32_t address, const uint8_t* data,
                                                     uint32_t length, int32_t flag) {
  return Guarded([&] { return Bridges().Program(address, data, length, flag != 0) ? 1 : 0; });
}

#if QNUSB_OMIT_GROUP != 7
int32_t BRIDGEFW_CDECL QN847ChipRestEx(void) {
  return Guarded([&] { return Bridges().Reset() ? 1 : 0; });
}
#endif

}  // extern "C"
