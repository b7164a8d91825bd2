#pragma once
// Formatting of one log line into a fixed buffer with printf-style formats.
// The buffer is large enough for every line the program builds (the longest
// is an echoed piece of 513 characters); a line that would still not fit is
// written whole through a temporary allocation rather than cut.

#include <cstdarg>
#include <cstddef>
#include <string_view>

namespace varnex {

// Formats `format` with its arguments and writes the result as one line.
void WriteMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Formats `format` with its arguments and writes the result and the empty
// line that follows it (WriteLineAndEmptyLine).
void WriteMessageAndEmptyLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

class MessageText {
public:
    static constexpr std::size_t kCapacity = 1024;

    // Formats into the buffer; returns false when the text did not fit (the
    // text is then cut at the capacity).
    bool Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    bool FormatList(const char* format, va_list arguments);

    std::string_view View() const { return {text_, length_}; }
    const char* CString() const { return text_; }

private:
    char text_[kCapacity] = {};
    std::size_t length_ = 0;
};

}  // namespace varnex
