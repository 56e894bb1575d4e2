// SCSI sense data: conversion of either format (fixed, 70h/71h, or
// descriptor, 72h/73h) into the 18 bytes of the fixed format, which is the
// form the pass-through reply carries.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bridgefw::platform {

constexpr size_t kFixedSenseLength = 18;

// Fixed-format input is copied (the first 18 bytes; missing bytes read as
// zero). Descriptor-format input gives a fixed record with the same response
// kind (current or deferred), sense key, additional sense code and
// qualifier; the information, command-specific, sense-key-specific and
// field-replaceable-unit descriptors, and the stream-command flags, go to
// their fixed-format places (an information value above 32 bits cannot be
// carried and is left out, its valid bit clear). False, with 18 zero bytes,
// when the input is empty or of neither format.
bool ToFixedFormatSense(const uint8_t* raw, size_t length, uint8_t (&fixed)[kFixedSenseLength]);

}  // namespace bridgefw::platform
