#pragma once
// Writes a set of changes as a command stream that makes the old file equal
// to the new one. The stream stands alone: comment lines saying what made it
// and how many bytes and pages change, PAGESIZE, then for each page with a
// differing byte PAGE, the VER lines of the old bytes, the REP lines of the
// new bytes and WRITE, and the end marker "/*" last.
//
// Every byte a REP writes is verified first, so a page of a file that is not
// the old one is refused rather than written. VER compares ASCII letters
// without regard to case, so a file differing from the old one only in the
// case of letters passes it; REP writes its bytes exactly, so the file still
// ends equal to the new one byte for byte. A page whose only differences are
// letters changed to their other case is therefore not guarded at all: the
// heading says how many such pages the stream holds, and CaseOnlyPages()
// names them.
//
// The counts go at the top although pages arrive one by one: the body is
// held in a temporary file and copied after the heading in Finish, so memory
// stays bounded whatever the number of changes.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "change/changed_page.h"
#include "change/spool_file.h"

namespace varnex {

struct StreamWriterOptions {
    std::uint32_t page_size = 4096;    // written as the stream's PAGESIZE line; no page given is longer
    bool verify_pages = false;         // VER every byte of every page, not only those a REP changes
    std::vector<std::string> made_by;  // what made the stream, one comment line each (the writer adds the comment marker)
};

class StreamWriter final : public ChangeSink {
public:
    // Writes the command stream to `output` (a std::FILE* opened by the
    // caller, binary mode, never closed by the writer).
    StreamWriter(std::FILE* output, StreamWriterOptions options);

    // A page with no differing byte is skipped entirely. A page longer than
    // page_size is refused (false).
    bool Add(const ChangedPage& page) override;
    // After the last page: the stream is complete on `output` (flushed).
    bool Finish() override;
    const char* LastError() const override;

    // What made the stream, for the heading; may be given until Finish.
    void SetMadeBy(std::vector<std::string> made_by);

    std::uint64_t BytesChanged() const;
    std::uint64_t PagesChanged() const;

    // Pages whose differences VER cannot see: how many, and the offsets of
    // the first kCaseOnlyPagesKept of them.
    static constexpr std::size_t kCaseOnlyPagesKept = 16;
    std::uint64_t CaseOnlyPages() const;
    const std::vector<std::uint64_t>& CaseOnlyOffsets() const;

private:
    bool Fail(const char* reason);
    bool WriteHeading();
    void NoteLetterCase(const ChangedPage& page);

    std::FILE* output_;
    StreamWriterOptions options_;
    SpoolFile body_;
    std::uint64_t bytes_changed_ = 0;
    std::uint64_t pages_changed_ = 0;
    std::uint64_t case_only_pages_ = 0;
    std::vector<std::uint64_t> case_only_offsets_;
    bool finished_ = false;
    std::string error_;
};

}  // namespace varnex
