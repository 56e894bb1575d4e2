// The C calling convention (the caller removes the arguments) for functions
// of other libraries that are reached through pointers. Only 32-bit x86
// Windows knows more than one convention; elsewhere the mark is empty.
#pragma once

#if defined(_WIN32) && (defined(_M_IX86) || defined(__i386__))
#define BRIDGEFW_CDECL __cdecl
#else
#define BRIDGEFW_CDECL
#endif
