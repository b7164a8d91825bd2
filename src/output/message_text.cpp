#include "output/message_text.h"

#include <cstdio>
#include <cstdlib>

#include "output/line_writer.h"

namespace varnex {

bool MessageText::FormatList(const char* format, va_list arguments) {
    const int needed = std::vsnprintf(text_, kCapacity, format, arguments);
    if (needed < 0) {
        text_[0] = '\0';
        length_ = 0;
        return false;
    }
    const bool fits = static_cast<std::size_t>(needed) < kCapacity;
    length_ = fits ? static_cast<std::size_t>(needed) : kCapacity - 1;
    return fits;
}

bool MessageText::Format(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const bool fits = FormatList(format, arguments);
    va_end(arguments);
    return fits;
}

namespace {

using LineWriter = void (*)(std::string_view);

// Formats a line that did not fit the fixed buffer into
// memory of the right size; `measure` and `fill` are two copies of the
// arguments. Returns false without memory.
bool WriteWhole(LineWriter write, const char* format, va_list measure, va_list fill) {
    const int needed = std::vsnprintf(nullptr, 0, format, measure);
    char* whole = needed > 0 ? static_cast<char*>(std::malloc(static_cast<std::size_t>(needed) + 1)) : nullptr;
    if (whole == nullptr) return false;
    std::vsnprintf(whole, static_cast<std::size_t>(needed) + 1, format, fill);
    write(std::string_view(whole, static_cast<std::size_t>(needed)));
    std::free(whole);
    return true;
}

void WriteFormatted(LineWriter write, const char* format, va_list arguments) {
    MessageText text;
    va_list measure;
    va_list fill;
    va_copy(measure, arguments);
    va_copy(fill, arguments);
    // Longer than any line the program normally builds: formatted whole into
    // memory of the right size instead of cut. Without memory the line goes
    // out cut at the buffer's capacity.
    if (text.FormatList(format, arguments) || !WriteWhole(write, format, measure, fill)) write(text.View());
    va_end(measure);
    va_end(fill);
}

}  // namespace

void WriteMessage(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    WriteFormatted(WriteLine, format, arguments);
    va_end(arguments);
}

void WriteMessageAndEmptyLine(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    WriteFormatted(WriteLineAndEmptyLine, format, arguments);
    va_end(arguments);
}

}  // namespace varnex
