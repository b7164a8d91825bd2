#include "command/data_conversion.h"

#include "command/command_code.h"
#include "command/hex_digit.h"

namespace varnex {

std::uint32_t ConvertData(const char* text, std::uint8_t* data) {
    std::uint32_t count = 0;
    std::uint32_t accumulator = 0;
    bool second_digit = false;
    for (; static_cast<signed char>(*text) > 0; ++text) {
        accumulator = accumulator * 16 + HexDigit(*text);
        second_digit = !second_digit;
        if (second_digit) continue;
        data[count++] = static_cast<std::uint8_t>(accumulator);
        accumulator = 0;
        if (count == kMaxDataBytes) break;
    }
    return count;
}

}  // namespace varnex
