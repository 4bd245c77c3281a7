#pragma once

#include "platform/rtl/Streams.h"

// Conversion between the binary component stream and the object text notation of design
// files and clipboard copies. Both work on streams, keep no state between calls and stop at
// the first error; what was written to the output until then stays there.

/// Reads one object (with its children) in binary form from the position of `input` and
/// writes its object text to `output`. A missing signature raises rtl::ReadError("Illegal
/// stream image"); a value without a text form raises rtl::ReadError("Invalid property type
/// from streamed property: %d"); truncated input raises rtl::ReadError.
void ObjectStreamToText(rtl::TStream& input, rtl::TStream& output);

/// Reads the object text of one object from the position of `input` and writes "TPF0" and
/// its binary form to `output`; `input` is left just after the object's closing "end".
/// Text that does not follow the notation raises rtl::ParserError with the line, column
/// and byte offset of the fault.
void ObjectTextToStream(rtl::TStream& input, rtl::TStream& output);
