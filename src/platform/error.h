// The calling thread's last error code, Windows style, and the system's text
// for a code.
//
// Every platform call that fails sets the calling thread's last error to a
// Windows error code (the POSIX layer maps errno onto the codes below), so
// that the core reads one kind of code on every platform. The value is
// per thread and is left unchanged by calls that succeed unless a call's
// contract says otherwise.
#pragma once

#include <cstdint>

#include "platform/text.h"

namespace bridgefw::platform {

constexpr uint32_t kErrorSuccess = 0;
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorPathNotFound = 3;
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorInvalidHandle = 6;
constexpr uint32_t kErrorNotEnoughMemory = 8;
constexpr uint32_t kErrorWriteFault = 29;
constexpr uint32_t kErrorSharingViolation = 32;
constexpr uint32_t kErrorNotSupported = 50;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorDiskFull = 112;
constexpr uint32_t kErrorInsufficientBuffer = 122;
constexpr uint32_t kErrorModNotFound = 126;
constexpr uint32_t kErrorProcNotFound = 127;
constexpr uint32_t kErrorAlreadyExists = 183;
constexpr uint32_t kErrorFilenameExcedRange = 206;
constexpr uint32_t kErrorTooManyPosts = 298;
constexpr uint32_t kErrorNoSystemResources = 1450;

uint32_t GetLastErrorCode();
void SetLastErrorCode(uint32_t code);

// The system's message for `code` in the user's default language, as
// FormatMessageW gives it (system message, inserts ignored), including its
// trailing line break. False when the system has no message for the code.
bool SystemMessageText(uint32_t code, WString& text);

}  // namespace bridgefw::platform

namespace bridgefw::platform {

// A line for a debugger (OutputDebugStringW on Windows). POSIX writes it to
// standard error only when the environment variable BRIDGEFW_DEBUG_TRACE is
// set to 1; otherwise the text goes nowhere.
void DebugTrace(const WString& text);

}  // namespace bridgefw::platform
