#include "platform/standard_streams.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace varnex {
namespace {

// Standard output is a text stream: every line feed leaves as carriage return
// and line feed, as the C runtime's text mode writes it. The translation is
// done here, into one buffer, so that each line still costs one write call;
// a line feed that already follows a carriage return (the system's error
// texts end so) is translated all the same, giving CR CR LF.
constexpr std::size_t kTranslated = 8192;

std::size_t Translate(const char* text, std::size_t length, bool add_line_end, char* out) {
    std::size_t used = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] == '\n') out[used++] = '\r';
        out[used++] = text[i];
    }
    if (add_line_end) {
        out[used++] = '\r';
        out[used++] = '\n';
    }
    return used;
}

// A standard output that is closed, invalid or broken makes the write fail;
// that is reported to the caller and never ends the process.
bool WriteAll(const char* bytes, std::size_t length) {
    const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (output == nullptr || output == INVALID_HANDLE_VALUE) return false;
    while (length > 0) {
        DWORD written = 0;
        const DWORD asked = length > 0x40000000 ? 0x40000000 : static_cast<DWORD>(length);
        if (!::WriteFile(output, bytes, asked, &written, nullptr) || written == 0) return false;
        bytes += written;
        length -= written;
    }
    return true;
}

bool WriteTranslated(const char* text, std::size_t length, bool add_line_end) {
    std::size_t longest = 2 * length + 2;
    if (longest <= kTranslated) {
        char line[kTranslated];
        return WriteAll(line, Translate(text, length, add_line_end, line));
    }
    // Longer than any line the program builds in its own buffers: translated
    // in memory of its size, or, without memory, piece by piece.
    if (char* whole = static_cast<char*>(std::malloc(longest))) {
        const bool written = WriteAll(whole, Translate(text, length, add_line_end, whole));
        std::free(whole);
        return written;
    }
    char piece[kTranslated];
    for (std::size_t done = 0; done < length;) {
        const std::size_t part = length - done < kTranslated / 2 ? length - done : kTranslated / 2;
        if (!WriteAll(piece, Translate(text + done, part, false, piece))) return false;
        done += part;
    }
    return !add_line_end || WriteAll("\r\n", 2);
}

}  // namespace

// Standard input is read as bytes, the way a file is read: no byte 0x1A
// (Ctrl-Z) ends it and no carriage return is taken away, which text mode
// would do. The command reader itself drops carriage returns and control
// bytes. A pipe whose writer has gone reports its end as an error code.
std::int64_t ReadStandardInput(void* buffer, std::size_t capacity) {
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    if (input == nullptr || input == INVALID_HANDLE_VALUE) return 0;
    DWORD got = 0;
    const DWORD asked = capacity > 0x40000000 ? 0x40000000 : static_cast<DWORD>(capacity);
    if (!::ReadFile(input, buffer, asked, &got, nullptr)) {
        const DWORD failure = ::GetLastError();
        return failure == ERROR_BROKEN_PIPE || failure == ERROR_HANDLE_EOF ? 0 : -1;
    }
    return got;
}

bool WriteStandardOutput(const char* text, std::size_t length) { return WriteTranslated(text, length, false); }

bool WriteStandardOutputLine(const char* text, std::size_t length) { return WriteTranslated(text, length, true); }

}  // namespace varnex
