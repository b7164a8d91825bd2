#include "change/error_text.h"

#include "platform/system_error_text.h"

namespace varnex {

std::string ErrorText(ErrorCode code) {
    char text[256];
    std::string trimmed = SystemErrorText(code, text, sizeof text);
    while (!trimmed.empty() && (trimmed.back() == '\n' || trimmed.back() == '\r' || trimmed.back() == ' ')) {
        trimmed.pop_back();
    }
    return trimmed;
}

}  // namespace varnex
