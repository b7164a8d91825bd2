#pragma once
// A loose model of the page stack, line by line: which slot has a page, its
// page size, whether the page was verified or changed since it was loaded.
// It knows nothing of the file, so it cannot tell a failed VER or a short
// read; it finds what goes wrong whatever the file holds.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "check/byte_ranges.h"
#include "check/finding.h"
#include "check/line_context.h"
#include "check/stream_lines.h"
#include "check/verb_slips.h"

namespace varnex {

class PageTracker {
public:
    explicit PageTracker(std::uint32_t page_size);

    // The current slot's page size (PAGE #n depends on it).
    std::uint32_t PageSize() const { return slots_.back().page_size; }

    // A line that was probably meant as a command; one meant as VER leaves the
    // next REP of its slot unguarded.
    void NoteMistypedVerb(const MistypedVerb& mistyped);

    // Findings on the coming PAGE line that say it loads another page than
    // the one written (a clamped, cut or wrapped offset): a REP or WRITE on
    // that page makes them errors.
    void NoteMisplacedPage(std::vector<std::size_t> findings) { misplaced_page_ = std::move(findings); }

    // Follows an executing command line and reports what goes wrong.
    void Apply(const LineContext& context, FindingList& findings);

    // The end of the stream: reports every changed page left unwritten.
    void Finish(FindingList& findings);

private:
    struct Slot {
        std::uint32_t page_size = 0;
        std::size_t page_line = 0;                   // the line of the PAGE that loaded it; 0 for none
        bool verified = false;                       // a VER since that PAGE
        ByteRanges verified_bytes;                   // the bytes those VERs compared
        std::vector<std::size_t> misplaced;          // findings: the page is not the one written
        std::optional<StreamLine> unwritten_change;  // the first REP since the PAGE or the last WRITE
        std::optional<std::size_t> mistyped_guard;   // a finding: a mistyped VER since the last VER
    };
    static Slot EmptySlot(std::uint32_t page_size);
    using Action = void (PageTracker::*)(const LineContext&, FindingList&);
    static const Action kActions[];

    bool RequirePage(const LineContext& context, FindingList& findings);
    void CheckBounds(const LineContext& context, std::uint32_t offset, std::uint32_t count, std::uint32_t page_size,
                     FindingList& findings);
    void WarnUnwritten(const LineContext& context, const char* how, FindingList& findings);
    void CheckIndirectSource(const LineContext& context, FindingList& findings);
    void CheckUnverifiedBytes(const LineContext& context, FindingList& findings);
    void ConfirmMisplaced(const LineContext& context, const char* does, FindingList& findings);

    void Page(const LineContext& context, FindingList& findings);
    void Verify(const LineContext& context, FindingList& findings);
    void Replace(const LineContext& context, FindingList& findings);
    void Write(const LineContext& context, FindingList& findings);
    void Show(const LineContext& context, FindingList& findings);
    void Search(const LineContext& context, FindingList& findings);
    void SetPageSize(const LineContext& context, FindingList& findings);
    void Push(const LineContext& context, FindingList& findings);
    void Pop(const LineContext& context, FindingList& findings);
    void Nothing(const LineContext&, FindingList&) {}

    std::vector<Slot> slots_;
    std::vector<std::size_t> misplaced_page_;  // for the PAGE line being applied
};

}  // namespace varnex
