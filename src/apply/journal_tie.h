#pragma once
// What ties a journal to the run it belongs to: the target file (its name,
// identity and size), the streams (their names and a hash of their joined
// text) and the page size. Written as the journal's first comment lines.

#include <cstdint>
#include <string>
#include <vector>

namespace varnex {

inline constexpr const char* kJournalFirstLine = "varnex-apply journal 1";

struct JournalTie {
    std::string file_name;
    std::string identity;
    std::uint64_t size = 0;
    std::vector<std::string> streams;
    std::string stream_hash;  // 16 hexadecimal digits
    std::uint32_t page_size = 4096;
};

// The tie as comment texts, without the comment marker, first line first.
std::vector<std::string> TieLines(const JournalTie& tie);

// Takes one comment text into `tie`; false when it is not a tie line.
bool TakeTieLine(const std::string& text, JournalTie& tie);

// True when both name the same file at the same size.
bool SameFile(const JournalTie& a, const JournalTie& b);

}  // namespace varnex
