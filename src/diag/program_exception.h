// ProgramException: the one exception type of the plugin's own code. It
// carries one text; copies share it.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/text.h"

namespace bridgefw {

class ProgramException {
 public:
  // "%s::%s:%s" of class name, operation name and reason.
  ProgramException(const WChar* className, const WChar* operation, const WChar* reason);
  // The text itself; a null text gives an empty message.
  explicit ProgramException(const WChar* text);
  explicit ProgramException(const WString& text);

  WString GetText() const;

  // Throws a ProgramException with "Exception Assertion!\nFile = %s\nLine = %d".
  [[noreturn]] static void AssertionFailure(const WChar* sourceFile, int32_t line);

 private:
  std::shared_ptr<const WString> m_message;
};

}  // namespace bridgefw
