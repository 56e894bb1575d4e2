// StringTokenizer: splits a text at backslashes into its non-empty pieces,
// once, at construction.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/text.h"

namespace bridgefw {

class StringTokenizer {
 public:
  // A null text raises the assertion report of ".\StringTokenizer.cpp", line 36.
  explicit StringTokenizer(const WChar* text);
  virtual ~StringTokenizer();
  StringTokenizer(const StringTokenizer&) = delete;
  StringTokenizer& operator=(const StringTokenizer&) = delete;

  int32_t GetCount() const;
  // A copy of the token; empty when the index is out of range.
  WString GetToken(int32_t index) const;

 private:
  std::vector<WString> m_tokens;
  WString m_delimiters;
};

}  // namespace bridgefw
