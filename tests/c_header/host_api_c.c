/* The host header must compile as plain C99; this file is built as C with
 * the project's warnings and reports the record sizes it sees, which the
 * C++ tests compare with their own view of the records. */
#include "bridgefw/host_api.h"

size_t bridge_c_sizeof_update(void) { return sizeof(BridgeMsgDllUpdate); }
size_t bridge_c_offsetof_update_path(void) { return offsetof(BridgeMsgDllUpdate, firmwarePath); }
size_t bridge_c_offsetof_unload_result(void) {
  return offsetof(BridgeMsgDllReadyForUnload, resultCode);
}
