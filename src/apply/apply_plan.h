#pragma once
// The plan of a run: the pages it changes, each kept compact as the stretches
// that differ (with the equal bytes a stretch carries), the bytes before and
// after; and the state of the target file against it, page by page.

#include <cstdint>
#include <string>
#include <vector>

#include "change/changed_page.h"
#include "platform/file_system.h"

namespace varnex {

struct PlanRun {
    std::uint32_t start = 0;  // from the page's offset
    std::vector<std::uint8_t> old_bytes;
    std::vector<std::uint8_t> new_bytes;  // as long as old_bytes
};

struct PlanPage {
    std::uint64_t offset = 0;
    std::vector<PlanRun> runs;  // in increasing order, never overlapping

    std::uint32_t SpanStart() const { return runs.front().start; }
    std::uint32_t SpanEnd() const { return runs.back().start + static_cast<std::uint32_t>(runs.back().old_bytes.size()); }
};

// How far a page of the file is along its plan page.
enum class PageProgress : std::uint8_t {
    kNotStarted,  // every byte holds its old value
    kDone,        // every byte holds its new value
    kTorn,        // each byte old or new, some of each
    kForeign,     // some byte neither (or the file ends before it)
};

struct Plan {
    std::uint32_t page_size = 4096;  // the longest page, for a stream's PAGESIZE
    std::vector<PlanPage> pages;
};

// The page's differing stretches as a plan page; false when none differ.
bool MakePlanPage(const ChangedPage& page, PlanPage& planned);

// Reads [SpanStart, SpanEnd) of the page from the open file into `bytes`
// (fewer bytes where the file ends first). false: a read failed.
bool ReadSpan(FileSystem& files, FileHandle file, const PlanPage& page, std::vector<std::uint8_t>& bytes,
              ErrorCode& error);

// The state of the page whose span holds `bytes` now.
PageProgress Classify(const PlanPage& page, const std::vector<std::uint8_t>& bytes);

// The file offset of the first byte of the page's span that holds neither
// its old nor its new value (or lies past the end of the file).
std::uint64_t FirstForeign(const PlanPage& page, const std::vector<std::uint8_t>& bytes);

// The span as it stands, and as it is to stand: `bytes` with every run's new
// bytes (towards_new) or old bytes laid over.
ChangedPage SpanChange(const PlanPage& page, const std::vector<std::uint8_t>& bytes, bool towards_new);

// FNV-1a, 64 bits, continued from `hash`.
inline constexpr std::uint64_t kFnvStart = 14695981039346656037ULL;
std::uint64_t Fnv64(const void* bytes, std::size_t count, std::uint64_t hash = kFnvStart);
std::string HexOf(std::uint64_t value);

}  // namespace varnex
