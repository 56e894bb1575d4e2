#include "diag/program_exception.h"

#include <utility>

#include "diag/wformat.h"

namespace bridgefw {

ProgramException::ProgramException(const WChar* className, const WChar* operation,
                                   const WChar* reason)
    : m_message(
          std::make_shared<const WString>(WFormat(u"%s::%s:%s", className, operation, reason))) {}

ProgramException::ProgramException(const WChar* text)
    : m_message(std::make_shared<const WString>(text != nullptr ? WString(text) : WString())) {}

ProgramException::ProgramException(const WString& text)
    : m_message(std::make_shared<const WString>(text)) {}

WString ProgramException::GetText() const {
  return *m_message;
}

void ProgramException::AssertionFailure(const WChar* sourceFile, int32_t line) {
  throw ProgramException(WFormat(u"Exception Assertion!\nFile = %s\nLine = %d", sourceFile, line));
}

}  // namespace bridgefw
