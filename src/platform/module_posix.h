// POSIX implementation detail: the shared-object file name for a module
// name (see module.h).
#pragma once

#include <string>

#include "platform/text.h"

namespace bridgefw::platform {

std::string NativeModuleName(const WString& name);

}  // namespace bridgefw::platform
