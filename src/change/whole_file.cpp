#include "change/whole_file.h"

#include "change/error_text.h"
#include "platform/output_replacement.h"

namespace varnex {
namespace {

std::string Failure(const char* what, const std::string& name, const std::string& reason) {
    std::string text = what;
    text += name;
    if (!reason.empty()) {
        text += ": ";
        text += reason;
    }
    return text;
}

}  // namespace

WholeFile::~WholeFile() { Discard(); }

bool WholeFile::Open(std::string& error) {
    ErrorCode code = 0;
    output_ = CreateFileBeside(name_, temporary_, code);
    if (output_ != nullptr) return true;
    temporary_.clear();
    error = Failure("cannot make a file beside ", name_, ErrorText(code));
    return false;
}

// A write that failed on the way leaves the stream's error flag set; what
// is still buffered is written by the flush, and a full disk may show only
// at the close.
bool WholeFile::Commit(std::string& error) {
    const bool written = std::ferror(output_) == 0 && std::fflush(output_) == 0;
    const bool closed = std::fclose(output_) == 0;
    output_ = nullptr;
    ErrorCode code = 0;
    if (!written || !closed) {
        error = Failure("cannot write ", temporary_, "");
    } else if (!ReplaceFileWith(temporary_, name_, code)) {
        error = Failure("cannot put the new file in the place of ", name_, ErrorText(code));
    } else {
        temporary_.clear();
        return true;
    }
    Discard();
    return false;
}

void WholeFile::Discard() {
    if (output_ != nullptr) std::fclose(output_);
    output_ = nullptr;
    if (!temporary_.empty()) RemoveTemporaryFile(temporary_);
    temporary_.clear();
}

}  // namespace varnex
