#include "change/whole_file.h"

#include "change/error_text.h"
#include "platform/durable_storage.h"

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
    if (!FindOutputTarget(name_, target_, code)) {
        error = Failure("cannot write to ", name_, ErrorText(code));
        return false;
    }
    if (target_.kind == OutputKind::kStraightThrough) {
        output_ = OpenStraightThrough(target_.path, code);
        if (output_ != nullptr) return true;
        error = Failure("cannot open ", name_, ErrorText(code));
        return false;
    }
    output_ = CreateFileBeside(target_, temporary_, code);
    if (output_ != nullptr) return true;
    temporary_.clear();
    error = Failure("cannot make a file beside ", target_.path, ErrorText(code));
    return false;
}

// A write that failed on the way leaves the stream's error flag set; what
// is still buffered is written by the flush, and a full disk may show only
// at the sync or the close. A device is not synced: a FIFO or a terminal
// cannot be, and nothing of it is replaced.
bool WholeFile::CloseOutput(std::string& error) {
    bool written = std::ferror(output_) == 0 && std::fflush(output_) == 0;
    ErrorCode code = 0;
    const bool synced = !written || target_.kind == OutputKind::kStraightThrough ||
                        SyncFile(HandleOfStream(output_), code);
    written = std::fclose(output_) == 0 && written;
    output_ = nullptr;
    if (written && synced) return true;
    const std::string& name = temporary_.empty() ? name_ : temporary_;
    error = Failure(synced ? "cannot write " : "cannot put on storage ", name, synced ? "" : ErrorText(code));
    return false;
}

bool WholeFile::Commit(std::string& error) {
    if (!CloseOutput(error)) {
        Discard();
        return false;
    }
    if (target_.kind == OutputKind::kStraightThrough) return true;
    ErrorCode code = 0;
    if (!ReplaceFileWith(temporary_, target_.path, code)) {
        error = Failure("cannot put the new file in the place of ", target_.path, ErrorText(code));
        Discard();
        return false;
    }
    temporary_.clear();
    if (SyncFolderOf(target_.path, code)) return true;
    error = Failure("cannot put on storage the folder of ", target_.path, ErrorText(code));
    return false;
}

void WholeFile::Discard() {
    if (output_ != nullptr) std::fclose(output_);
    output_ = nullptr;
    if (!temporary_.empty()) RemoveTemporaryFile(temporary_);
    temporary_.clear();
}

}  // namespace varnex
