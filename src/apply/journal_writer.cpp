#include "apply/journal_writer.h"

#include <cstring>

#include "apply/apply_plan.h"
#include "change/error_text.h"
#include "dryrun/dry_run_changes.h"
#include "platform/temporary_file.h"
#include "platform/transfer.h"

namespace varnex {
namespace {

bool WriteAll(DurableFileSystem& files, FileHandle file, const void* bytes, std::size_t count, std::string& error) {
    if (count == 0) return true;
    const TransferResult written =
        WritePage(files, file, static_cast<const std::uint8_t*>(bytes), static_cast<std::uint32_t>(count));
    if (written.done == count) return true;
    error = written.failed ? ErrorText(written.error) : "the disk took no more bytes";
    return false;
}

}  // namespace

JournalWriter::JournalWriter(const JournalTie& tie, std::uint32_t page_size) {
    ErrorCode ignored = 0;  // no body: Add and Finish fail, and the run says so
    body_ = CreateTemporaryFile(ignored);
    if (body_ == nullptr) return;
    StreamWriterOptions options;
    options.page_size = page_size;
    options.made_by = TieLines(tie);
    writer_ = new StreamWriter(body_, std::move(options));
}

JournalWriter::~JournalWriter() {
    delete writer_;
    if (body_ != nullptr) std::fclose(body_);
}

bool JournalWriter::Add(const ChangedPage& page) {
    if (writer_ == nullptr) return false;
    TakenBack undo(*writer_);
    return undo.Add(page);
}

// The first line goes alone and is synced before the rest: after a power cut
// a journal of this program's then starts with its first line, or with a
// part of it, never with a hole, so the reader can tell one that was cut
// short from a file that is no journal at all. Then the body in blocks, then
// the end line with the checksum of all before it.
bool JournalWriter::Copy(DurableFileSystem& files, FileHandle journal, std::string& error) {
    std::rewind(body_);
    std::uint64_t hash = kFnvStart;
    static char block[65536];
    std::size_t got = 0;
    bool first = true;
    while ((got = std::fread(block, 1, sizeof block, body_)) > 0) {
        hash = Fnv64(block, got, hash);
        std::size_t start = 0;
        if (first) {
            const auto* end = static_cast<const char*>(std::memchr(block, '\n', got));
            start = end != nullptr ? static_cast<std::size_t>(end - block) + 1 : got;
            ErrorCode code = 0;
            if (!WriteAll(files, journal, block, start, error)) return false;
            if (!files.Sync(journal, code)) return error = ErrorText(code), false;
            first = false;
        }
        if (!WriteAll(files, journal, block + start, got - start, error)) return false;
    }
    if (std::ferror(body_)) {
        error = "cannot read the journal's temporary body back";
        return false;
    }
    const std::string end = std::string(kEndLinePrefix) + std::to_string(Pages()) + " pages, checksum " + HexOf(hash) + "\n";
    return WriteAll(files, journal, end.data(), end.size(), error);
}

bool JournalWriter::WriteTo(DurableFileSystem& files, const std::string& path, std::string& error) {
    if (writer_ == nullptr || !writer_->Finish()) {
        error = writer_ == nullptr ? "cannot make a temporary file" : writer_->LastError();
        return false;
    }
    ErrorCode code = 0;
    const FileHandle journal = files.Create(path.c_str(), code);
    if (journal == kNoFile) {
        error = ErrorText(code);
        return false;
    }
    bool done = Copy(files, journal, error);
    if (done && !files.Sync(journal, code)) done = false, error = ErrorText(code);
    files.Close(journal);
    if (done && !files.SyncFolderOf(path.c_str(), code)) done = false, error = ErrorText(code);
    if (!done) files.Remove(path.c_str(), code);
    return done;
}

bool MarkJournal(DurableFileSystem& files, const std::string& path, const char* mark, std::string& error) {
    ErrorCode code = 0;
    const FileHandle journal = files.Open(path.c_str(), code);
    if (journal == kNoFile) {
        error = ErrorText(code);
        return false;
    }
    std::uint64_t size = 0;
    // A line feed first: a mark cut short by a power cut before stays a line
    // of its own, and this one starts on a fresh line.
    std::string line = "\n";
    line += mark;
    line += '\n';
    bool done = files.Size(journal, size, code) && files.Seek(journal, size, code) == 0;
    if (!done) error = ErrorText(code);
    if (done) done = WriteAll(files, journal, line.data(), line.size(), error);
    if (done && !files.Sync(journal, code)) done = false, error = ErrorText(code);
    files.Close(journal);
    return done;
}

}  // namespace varnex
