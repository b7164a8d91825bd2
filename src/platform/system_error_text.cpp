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

const char* SystemErrorText(int error_code, char* out, std::size_t capacity) {
    if (capacity == 0) return out;
    out[0] = '\0';
    const char* text = PickText(strerror_r(error_code, out, capacity), out, error_code, out, capacity);
    if (text != out) {
        std::snprintf(out, capacity, "%s", text);
    }
    return out;
}

}  // namespace varnex
