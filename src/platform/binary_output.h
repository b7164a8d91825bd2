#pragma once
// The C library's standard output as a byte stream.

namespace varnex {

// Puts the C library's standard output in binary mode, so that a command
// stream written there has the same bytes on every platform: Windows would
// otherwise turn each line feed into CR LF. Nothing to do on POSIX.
void UseBinaryStandardOutput();

}  // namespace varnex
