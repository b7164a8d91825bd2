#pragma once
// Compares two open inputs from start to end in large blocks, never holding
// either whole, and hands each page with a differing byte to a ChangeSink.
// An input of unknown size (a pipe, a FIFO, a terminal) is read to its end;
// the sizes must turn out equal.

#include <cstdint>
#include <string>

#include "change/changed_page.h"
#include "diff/progress_line.h"
#include "platform/file_system.h"

namespace varnex {

struct ComparedFile {
    FileHandle handle = kNoFile;  // open for reading, at the start of the input
    std::string name;             // for messages
    bool sized = true;            // its size is known before it is read (a regular file, a block device)
    std::uint64_t size = 0;       // that size, when sized
};

struct ComparisonSettings {
    std::uint32_t page_size = 4096;  // pages start at its multiples, and no page is longer
    bool whole_pages = false;        // a page holds all the bytes PAGE loads, not only up to its last change
};

// A page starts at a multiple of the page size and holds what PAGE loads
// there (page_size bytes, fewer at the end of the file), up to its last
// differing byte unless whole_pages. Stretches that are holes in both files
// are passed over unread when both are sized.
struct ComparisonOutcome {
    std::string trouble;      // "" or what went wrong, in words (a failed read, sizes that
                              // differ, a file that changed size, the sink's failure)
    std::uint64_t pages = 0;  // pages handed to the sink, each with a differing byte
    std::uint64_t size = 0;   // the size both inputs turned out to have
};
ComparisonOutcome CompareFiles(const ComparedFile& old_file, const ComparedFile& new_file,
                               const ComparisonSettings& settings, ChangeSink& sink, ProgressLine& progress);

// "cannot DOING NAME: the system's reason".
std::string FileTrouble(const char* doing, const std::string& name, ErrorCode error);

// "OLD has N bytes and NEW has M bytes; varnex neither extends nor ...": a
// size of input not yet known in full is written "more than N".
std::string SizesDiffer(const std::string& old_name, const std::string& old_size, const std::string& new_name,
                        const std::string& new_size);

}  // namespace varnex
