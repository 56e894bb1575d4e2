// Loading and binding the vendor's USB library.
#pragma once

#include "platform/module.h"
#include "platform/text.h"

namespace bridgefw {

// Takes the library "QNUsbDll" if the process has it loaded, else loads
// "QNUsbDll.dll", and checks that it exports every group of functions the
// plugin may use. The handle holds one load reference of the caller's,
// which the caller drops with platform::FreeModule. Null when the library
// cannot be loaded ("DLL file loading fail!") or a group is incomplete (the
// group's text); the text goes to standard output as one line.
platform::ModuleHandle LoadUsbDll();

// The same for the library `name` (a module name or a path); for tests.
platform::ModuleHandle LoadUsbDllNamed(const WChar* name);

}  // namespace bridgefw
