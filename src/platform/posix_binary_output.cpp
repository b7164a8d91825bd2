#include "platform/binary_output.h"

namespace varnex {

// POSIX streams make no difference between text and bytes.
void UseBinaryStandardOutput() {}

}  // namespace varnex
