#pragma once
// Compares two open files of equal size from start to end in large blocks,
// never holding either whole, and hands each page with a differing byte to
// a ChangeSink.

#include <cstdint>
#include <string>

#include "change/changed_page.h"
#include "diff/progress_line.h"
#include "platform/file_system.h"

namespace varnex {

struct ComparedFile {
    FileHandle handle = kNoFile;  // open for reading, at the start of the file
    std::string name;             // for messages
};

struct ComparisonSettings {
    std::uint64_t size = 0;          // of each file
    std::uint32_t page_size = 4096;  // no page is longer
    bool whole_pages = false;        // a page holds all the bytes PAGE loads, not only up to its last change
};

// A page starts at its first differing byte and runs page_size bytes on, to
// the end of the file at most: what PAGE loads there. Pages never overlap.
struct ComparisonOutcome {
    std::string trouble;        // "" or what went wrong, in words (a failed read, a file that
                                // changed size, the sink's failure)
    std::uint64_t pages = 0;    // pages handed to the sink, each with a differing byte
};
ComparisonOutcome CompareFiles(const ComparedFile& old_file, const ComparedFile& new_file,
                         const ComparisonSettings& settings, ChangeSink& sink, ProgressLine& progress);

// "cannot DOING NAME: the system's reason".
std::string FileTrouble(const char* doing, const std::string& name, ErrorCode error);

}  // namespace varnex
