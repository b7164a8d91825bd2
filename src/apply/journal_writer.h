#pragma once
// The journal of a run: the undo stream of every page the run writes (PAGE,
// VER of the bytes after, REP of the bytes before, WRITE), with the tie in
// comment lines at the top, and after the end marker "/*", which varnex stops
// reading at, an end line with the page count and a checksum of everything
// before it, so that a journal cut short or damaged is known as such. Marks
// appended later say that the run completed or was taken back.

#include <cstdint>
#include <cstdio>
#include <string>

#include "apply/journal_tie.h"
#include "change/stream_writer.h"
#include "platform/durable_file_system.h"

namespace varnex {

inline constexpr const char* kEndLinePrefix = "* end: ";
inline constexpr const char* kCompleteMark = "* complete: the run finished; this journal is its undo stream";
inline constexpr const char* kRolledBackMark = "* rolled back: the file holds its bytes before the run again";

class JournalWriter {
public:
    JournalWriter(const JournalTie& tie, std::uint32_t page_size);
    ~JournalWriter();
    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;

    // A page of the run, old bytes before and new after; the journal keeps
    // it taken back. false: the temporary body could not be written.
    bool Add(const ChangedPage& page);
    std::uint64_t Pages() const { return writer_ != nullptr ? writer_->PagesChanged() : 0; }

    // Writes the journal at `path` (a new file) and makes it durable, data
    // and name. On failure the file made is removed and `error` says why.
    bool WriteTo(DurableFileSystem& files, const std::string& path, std::string& error);

private:
    bool Copy(DurableFileSystem& files, FileHandle journal, std::string& error);

    std::FILE* body_ = nullptr;
    StreamWriter* writer_ = nullptr;
};

// Appends `mark` and a line feed to the journal at `path` and syncs it.
bool MarkJournal(DurableFileSystem& files, const std::string& path, const char* mark, std::string& error);

}  // namespace varnex
