#include "platform/system_error_text.h"

#include <cstdio>
#include <cstring>

namespace varnex {
namespace {

// strerror_r comes in two shapes; whichever the C library offers is used.
[[maybe_unused]] const char* PickText(int result, const char* buffer, int error_code, char* out, std::size_t capacity) {
    if (result == 0) return buffer;
    std::snprintf(out, capacity, "Unknown error %d", error_code);
    return out;
}

[[maybe_unused]] const char* PickText(const char* result, const char*, int, char*, std::size_t) {
    return result;
}

}  // namespace

// The C library's texts carry no line break; the text goes out as it is.
const char* SystemErrorText(ErrorCode error_code, char* out, std::size_t capacity) {
    if (capacity == 0) return out;
    out[0] = '\0';
    const int code = static_cast<int>(error_code);
    const char* text = PickText(strerror_r(code, out, capacity), out, code, out, capacity);
    if (text != out) {
        std::snprintf(out, capacity, "%s", text);
    }
    return out;
}

}  // namespace varnex
