#pragma once
// Slips in the bytes of a line: bytes the reader drops, and lines too long
// to be executed.

#include <string>

#include "check/finding.h"
#include "check/line_context.h"
#include "check/stream_lines.h"

namespace varnex {

// "a tab", "a carriage return", "the control byte 0x01", "the byte 0xC3".
std::string NameOfByte(unsigned char byte);

// Reports the bytes of a read line that the reader drops (tabs, other
// control bytes, bytes of 128 and above), once per line: a warning on a line
// with a verb, a note on a comment. Carriage returns at the end of a line
// (CRLF files) are normal and pass.
void CheckDroppedBytes(const LineContext& context, FindingList& findings);

// Reports a line of more than 512 characters, which is never executed: an
// error when it begins with a verb, a warning otherwise.
void CheckOverlong(const StreamLine& line, FindingList& findings);

}  // namespace varnex
