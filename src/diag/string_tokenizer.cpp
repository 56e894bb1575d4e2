#include "diag/string_tokenizer.h"

#include <utility>

#include "diag/program_exception.h"

namespace bridgefw {

StringTokenizer::StringTokenizer(const WChar* text) : m_delimiters(u"\\") {
  if (text == nullptr) {
    ProgramException::AssertionFailure(u".\\StringTokenizer.cpp", 36);
  }
  // The rest of the text is text[begin, end). The first delimiter character
  // (in the order of the set) that occurs in the rest at all decides where
  // the next piece ends, even when a later one occurs earlier.
  const WString whole(text);
  size_t begin = 0;
  const size_t end = whole.size();
  while (begin < end) {
    size_t found = WString::npos;
    for (const WChar delimiter : m_delimiters) {
      found = whole.find(delimiter, begin);
      if (found != WString::npos) break;
    }
    WString piece;
    if (found == begin) {
      // A delimiter in front: drop it, no piece.
      ++begin;
    } else if (found != WString::npos) {
      // The piece up to the delimiter; the rest still begins with it.
      piece = whole.substr(begin, found - begin);
      begin = found;
    } else {
      piece = whole.substr(begin);
      begin = end;
    }
    if (!piece.empty()) m_tokens.push_back(std::move(piece));
  }
}

StringTokenizer::~StringTokenizer() {
  m_tokens.clear();
}

int32_t StringTokenizer::GetCount() const {
  return static_cast<int32_t>(m_tokens.size());
}

WString StringTokenizer::GetToken(int32_t index) const {
  if (index < 0 || index >= GetCount()) return WString();
  return m_tokens[static_cast<size_t>(index)];
}

}  // namespace bridgefw
