#include "bridge/usb_dll.h"

#include <cstdio>
#include <initializer_list>

namespace bridgefw {
namespace {

constexpr const WChar* kLoadedName = u"QNUsbDll";
constexpr const WChar* kFileName = u"QNUsbDll.dll";

constexpr const char* kLoadFailText = "DLL file loading fail!";
constexpr const char* kQn72xText = "QN72x DLL APIs function pointers get fail!";
constexpr const char* kQn72xExText = "QN72x DLL APIs Ex function pointers get fail!";

// A set of functions that must all be exported, and what is written when
// one of them is not.
struct Group {
  std::initializer_list<const char*> names;
  const char* text;
};

// Checked in this order; the first incomplete group ends the binding.
const Group kGroups[] = {
    {{"GetDriveList", "GetUsbIdList", "ATACBExecute", "ATACBExecuteEx"}, kQn72xText},
    {{"QNSafeRemove", "QNSafeRemoveEx"}, "QN72x  DLL APIs Safe Remove function pointers get fail!"},
    {{"QNGetChipInfo", "QNGetButtonStatus", "QNATAPassThrough"}, kQn72xText},
    {{"QNGetChipInfoEx", "QNGetButtonStatusEx", "QNATAPassThroughEx"}, kQn72xExText},
    {{"QNInquiry", "QNSerialFlashRead", "QNSerialFlashProgramming", "QNSerialFlashStatus",
      "QNSerialFlashChipErase", "QNSerialFlashSectorErase", "QNSerialFlashType"},
     kQn72xText},
    {{"QNInquiryEx", "QNSerialFlashReadEx", "QNSerialFlashProgrammingEx", "QNSerialFlashStatusEx",
      "QNSerialFlashChipEraseEx", "QNSerialFlashSectorEraseEx", "QNSerialFlashTypeEx"},
     kQn72xExText},
    {{"QN8XXSerialFlashRead", "QN847ChipRest", "QN8XXSerialFlashReadEx",
      "QN8XXSerialFlashProgrammingEx", "QN847ChipRestEx"},
     "QN74X/8xx DLL APIs function pointers get fail!"},
    {{"QNGetATACommandStatus", "QNGetATACommandStatusEx"},
     "ATA command get status DLL APIs function pointers get fail!"},
    {{"QNScsiCdbPassThrough", "QNScsiCdbPassThroughEx"},
     "SCSI CDB Pass Through DLL APIs function pointers get fail!"},
    {{"QNGetDiskLetterEx", "QNGetUsbId"},
     "QNGetDiskLetterEx / QNGetUsbId DLL APIs function pointers get fail!"},
    {{"QNSelectDeviceEx", "QNGetSelectedUsbId"},
     "QNSelectDeviceEx / QNGetSelectedUsbId DLL APIs function pointers get fail!"},
};

// Looked up as well, but the library may lack them.
constexpr const char* kOptionalNames[] = {
    "QNSerialFlashVenderWrCMD",      "QNSerialFlashVenderReadData", "QNSerialFlashVenderWrCMDEx",
    "QNSerialFlashVenderReadDataEx", "QN8XXSerialFlashProgramming",
};

void WriteLine(const char* text) {
  std::printf("%s\n", text);
  std::fflush(stdout);
}

// The text of the first group that `module` does not export completely, or
// null when every group is there.
const char* FirstIncompleteGroup(platform::ModuleHandle module) {
  for (const Group& group : kGroups) {
    for (const char* name : group.names) {
      if (platform::GetModuleSymbol(module, name) == nullptr) return group.text;
    }
  }
  for (const char* name : kOptionalNames) platform::GetModuleSymbol(module, name);
  return nullptr;
}

platform::ModuleHandle Bind(const WChar* loadedName, const WChar* fileName) {
  // A library that is loaded already gets a reference of ours too, so that
  // the caller's FreeModule never drops a reference that another part of
  // the process holds.
  platform::ModuleHandle module = platform::GetLoadedModule(loadedName) != nullptr
                                      ? platform::LoadModule(loadedName)
                                      : platform::LoadModule(fileName);
  if (module == nullptr) {
    WriteLine(kLoadFailText);
    return nullptr;
  }
  if (const char* text = FirstIncompleteGroup(module)) {
    WriteLine(text);
    // Nobody would ever free it otherwise.
    platform::FreeModule(module);
    return nullptr;
  }
  return module;
}

}  // namespace

platform::ModuleHandle LoadUsbDll() {
  return Bind(kLoadedName, kFileName);
}

platform::ModuleHandle LoadUsbDllNamed(const WChar* name) {
  return Bind(name, name);
}

}  // namespace bridgefw
