// The bridge chip's serial flash and its reset. The stand-in has no flash
// yet: every read, write and reset fails.
#include "bridge/usb_dll_api.h"
#include "omit.h"

extern "C" {

int32_t BRIDGEFW_CDECL QN8XXSerialFlashReadEx(uint32_t /*address*/, uint8_t* /*buffer*/,
                                              uint32_t /*length*/) {
  return 0;
}

int32_t BRIDGEFW_CDECL QN8XXSerialFlashProgrammingEx(uint32_t /*address*/, const uint8_t* /*data*/,
                                                     uint32_t /*length*/, int32_t /*flag*/) {
  return 0;
}

#if QNUSB_OMIT_GROUP != 7
int32_t BRIDGEFW_CDECL QN847ChipRestEx(void) {
  return 0;
}
#endif

}  // extern "C"
