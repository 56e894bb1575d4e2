#include "bridge/usb_dll_api.h"

namespace bridgefw {
namespace {

// Symbol addresses come as object pointers; function pointers are made
// from them through a cast that the supported compilers allow.
template <typename Proc>
bool Resolve(platform::ModuleHandle module, const char* name, Proc& proc) {
  proc = reinterpret_cast<Proc>(platform::GetModuleSymbol(module, name));
  return proc != nullptr;
}

}  // namespace

bool BindUsbDllApi(platform::ModuleHandle module, UsbDllApi& api) {
  bool all = true;
  all = Resolve(module, "GetUsbIdList", api.GetUsbIdList) && all;
  all = Resolve(module, "QNSelectDeviceEx", api.QNSelectDeviceEx) && all;
  all = Resolve(module, "QN8XXSerialFlashReadEx", api.QN8XXSerialFlashReadEx) && all;
  all = Resolve(module, "QN8XXSerialFlashProgrammingEx", api.QN8XXSerialFlashProgrammingEx) && all;
  all = Resolve(module, "QN847ChipRestEx", api.QN847ChipRestEx) && all;
  return all;
}

}  // namespace bridgefw
