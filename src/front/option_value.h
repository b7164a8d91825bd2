#pragma once
// The value of the -P switch: decimal or 0x-hexadecimal, an optional K
// multiplier, and only the part after the last colon counts.

#include <cstdint>

namespace varnex {

// `text` is what follows "-P:". Every text gives some value; none is refused.
std::int32_t ParseOptionValue(const char* text);

}  // namespace varnex
