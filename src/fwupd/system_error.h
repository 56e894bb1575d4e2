// FormatSystemError: a diagnostic text for a failed platform call.
#pragma once

#include "platform/text.h"

namespace bridgefw {

// "<context> : <system message for the thread's last error>", at most 4095
// characters. When the system has no message for the code,
// " Failed to retrieve system error" stands in its place. The system's
// message keeps its trailing line break.
WString FormatSystemError(const WString& context);

// Where the synchronisation wrappers send such texts: the platform's
// debugging trace, never the application log.
void TraceSystemError(const WChar* context);

}  // namespace bridgefw
