#include "dryrun/dry_run_changes.h"

#include <algorithm>
#include <cstring>

#include "change/error_text.h"
#include "platform/file_system.h"
#include "platform/transfer.h"

namespace varnex {
namespace {

// The file as it is, opened for reading only, closed when done with.
class OriginalFile {
public:
    explicit OriginalFile(const char* name) : name_(name), handle_(OpenFileForReading(name, error_)) {}
    ~OriginalFile() {
        if (handle_ != kNoFile) SystemFileSystem().Close(handle_);
    }
    OriginalFile(const OriginalFile&) = delete;
    OriginalFile& operator=(const OriginalFile&) = delete;

    // Reads `bytes.size()` bytes at `offset`; false, with the reason in
    // `error`, when fewer are there (the file changed since the run).
    bool ReadAt(std::uint64_t offset, std::vector<std::uint8_t>& bytes, std::string& error) {
        FileSystem& files = SystemFileSystem();
        if (handle_ == kNoFile) return Fail(ErrorText(error_), error);
        if (files.Seek(handle_, offset, error_) != 0) return Fail(ErrorText(error_), error);
        const auto count = static_cast<std::uint32_t>(bytes.size());
        const TransferResult read = ReadPage(files, handle_, bytes.data(), count);
        if (read.failed) return Fail(ErrorText(read.error), error);
        if (read.done != count) return Fail("it is shorter than when the dry run read it", error);
        return true;
    }

private:
    bool Fail(const std::string& reason, std::string& error) const {
        error = "cannot read ";
        error += name_;
        error += " again: ";
        error += reason;
        return false;
    }

    const char* name_;
    ErrorCode error_ = 0;
    FileHandle handle_;
};

bool AddToEvery(const ChangedPage& page, const std::vector<ChangeSink*>& sinks, std::string& error) {
    for (ChangeSink* sink : sinks) {
        if (!sink->Add(page)) {
            error = sink->LastError();
            return false;
        }
    }
    return true;
}

bool FinishEvery(const std::vector<ChangeSink*>& sinks, std::string& error) {
    for (ChangeSink* sink : sinks) {
        if (!sink->Finish()) {
            error = sink->LastError();
            return false;
        }
    }
    return true;
}

// One written stretch, page by page; only the page in hand is in memory.
bool PassStretch(const OverlayFileSystem& files, WrittenStretch stretch, std::uint32_t page_size,
                 OriginalFile& file, const std::vector<ChangeSink*>& sinks, std::string& error) {
    ChangedPage page;
    for (std::uint64_t start = 0; start < stretch.length; start += page_size) {
        const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(page_size, stretch.length - start));
        page.offset = stretch.first + start;
        page.old_bytes.resize(length);
        if (!file.ReadAt(page.offset, page.old_bytes, error)) return false;
        page.new_bytes.resize(length);
        ErrorCode kept_error = 0;
        if (!files.ReadWritten(page.offset, page.new_bytes.data(), length, kept_error)) {
            error = "cannot read back the bytes the dry run kept: " + ErrorText(kept_error);
            return false;
        }
        if (!AddToEvery(page, sinks, error)) return false;
    }
    return true;
}

}  // namespace

std::uint32_t ChangePageSize(const OverlayFileSystem& files, std::uint32_t run_page_size) {
    return static_cast<std::uint32_t>(std::max<std::uint64_t>(run_page_size, files.LongestWrite()));
}

bool PassChanges(const char* file_name, const OverlayFileSystem& files, std::uint32_t page_size,
                 const std::vector<ChangeSink*>& sinks, std::string& error) {
    OriginalFile file(file_name);
    for (const WrittenStretch& stretch : files.WrittenStretches()) {
        if (!PassStretch(files, stretch, std::max<std::uint32_t>(page_size, 1), file, sinks, error)) return false;
    }
    return FinishEvery(sinks, error);
}

}  // namespace varnex
