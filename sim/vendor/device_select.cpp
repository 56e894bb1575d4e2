// Device listing and selection: the emulated drives of the emulation folder
// that BRIDGEFW_EMULATION names, known by their parent ids in lower case.
#include "bridge/usb_dll_api.h"
#include "bridges.h"
#include "omit.h"

using bridgefw::standin::Bridges;
using bridgefw::standin::Guarded;

extern "C" {

int32_t BRIDGEFW_CDECL GetUsbIdList(uint8_t* list, int32_t count) {
  return Guarded([&] { return Bridges().ListUsbIds(list, count); });
}

int32_t BRIDGEFW_CDECL QNSelectDeviceEx(const char* deviceId) {
  return Guarded([&] { return Bridges().Select(deviceId) ? 1 : 0; });
}

#if QNUSB_OMIT_GROUP != 11
int32_t QNGetSelectedUsbId(void) {
  return 0;
}
#endif

}  // extern "C"
