// A small library that the module tests load, look into and free.
#include <cstdint>

extern "C" int32_t BridgefwModuleProbeAnswer(void) {
  return 42;
}
