#include "platform/system_error_text.h"

#include <windows.h>

#include <cstdio>

namespace varnex {

// The system's own text, kept exactly as given: Windows texts end with a
// carriage return and a line feed, so in the log the full stop after the
// text stands alone on the next line.
//
// When the code has no text (or its text does not fit), the text of the
// reason the lookup failed is shown instead, fetched into the same buffer.
// Should that lookup fail as well, the buffer's content is undefined; it
// must never be printed, so the text is then empty.
const char* SystemErrorText(ErrorCode error_code, char* out, std::size_t capacity) {
    if (capacity == 0) return out;
    char text[256] = {};
    if (::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, error_code, 0, text, sizeof text, nullptr) == 0) {
        const DWORD reason = ::GetLastError();
        if (::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, reason, 0, text, sizeof text, nullptr) == 0) {
            text[0] = '\0';
        }
    }
    text[sizeof text - 1] = '\0';
    std::snprintf(out, capacity, "%s", text);
    return out;
}

}  // namespace varnex
