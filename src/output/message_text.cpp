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

void WriteMessage(const char* format, ...) {
    MessageText text;
    va_list arguments;
    va_start(arguments, format);
    va_list again;
    va_copy(again, arguments);
    const bool fits = text.FormatList(format, arguments);
    va_end(arguments);
    if (fits) {
        va_end(again);
        WriteLine(text.View());
        return;
    }
    // Longer than any line the program normally builds: format it whole into
    // memory of the right size instead of cutting it. Without memory the
    // line goes out cut at the buffer's capacity.
    const int needed = std::vsnprintf(nullptr, 0, format, again);
    va_end(again);
    char* whole = needed > 0 ? static_cast<char*>(std::malloc(static_cast<std::size_t>(needed) + 1)) : nullptr;
    if (whole == nullptr) {
        WriteLine(text.View());
        return;
    }
    va_start(again, format);
    std::vsnprintf(whole, static_cast<std::size_t>(needed) + 1, format, again);
    va_end(again);
    WriteLine(std::string_view(whole, static_cast<std::size_t>(needed)));
    std::free(whole);
}

}  // namespace varnex
