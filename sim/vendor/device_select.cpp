// Device listing and selection. Nothing is attached to the stand-in yet:
// the list stays empty and no device can be selected.
#include "bridge/usb_dll_api.h"
#include "omit.h"

extern "C" {

int32_t BRIDGEFW_CDECL GetUsbIdList(uint8_t* /*list*/, int32_t /*count*/) {
  return 0;
}

int32_t BRIDGEFW_CDECL QNSelectDeviceEx(const char* /*deviceId*/) {
  return 0;
}

#if QNUSB_OMIT_GROUP != 11
int32_t QNGetSelectedUsbId(void) {
  return 0;
}
#endif

}  // extern "C"
