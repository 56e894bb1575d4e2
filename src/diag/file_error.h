// FileError: a file could not be positioned, written or closed. Deliberately
// not a ProgramException: the control loop reports it as unexpected.
#pragma once

#include <cstdint>
#include <exception>

namespace bridgefw {

class FileError : public std::exception {
 public:
  explicit FileError(uint32_t errorCode) : m_errorCode(errorCode) {}
  const char* what() const noexcept override { return "file error"; }
  uint32_t errorCode() const { return m_errorCode; }

 private:
  uint32_t m_errorCode;
};

}  // namespace bridgefw
