#include "fwupd/system_error.h"

#include "platform/error.h"

namespace bridgefw {
namespace {
constexpr size_t kBufferUnits = 4096;
}

WString FormatSystemError(const WString& context) {
  WString text = context + u" : ";
  WString message;
  if (platform::SystemMessageText(platform::GetLastErrorCode(), message)) {
    text += message;
  } else {
    text += u" Failed to retrieve system error";
  }
  if (text.size() > kBufferUnits - 1) text.resize(kBufferUnits - 1);
  return text;
}

void TraceSystemError(const WChar* context) {
  platform::DebugTrace(FormatSystemError(context));
}

}  // namespace bridgefw
