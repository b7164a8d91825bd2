// Fuzz target: varnex-apply's journal reader on any bytes. A journal it
// takes as whole must describe pages a run can be checked and taken back
// with: runs inside a page in increasing order, never overlapping, each as
// long on both sides and inside the page size, pages in increasing order and as many as its end line
// says. Whatever the input, it never crashes and never reads as whole a
// journal whose checksum does not match.

#include <cstdint>
#include <string>

#include "apply/journal_reader.h"
#include "fuzz_support.h"

namespace {

using varnex::fuzz::Require;

void CheckPlan(const varnex::Plan& plan) {
    std::uint64_t next_page = 0;
    for (const varnex::PlanPage& page : plan.pages) {
        Require(!page.runs.empty(), "a page without a run");
        Require(page.offset >= next_page, "pages out of order or overlapping");
        std::uint64_t next_run = 0;
        for (const varnex::PlanRun& run : page.runs) {
            Require(run.start >= next_run, "runs out of order or overlapping");
            Require(run.old_bytes.size() == run.new_bytes.size(), "a run with sides of different lengths");
            Require(!run.old_bytes.empty(), "an empty run");
            Require(run.start + run.old_bytes.size() <= plan.page_size, "a run past the page size");
            next_run = run.start + run.old_bytes.size();
        }
        next_page = page.offset + page.SpanEnd();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    varnex::Journal journal;
    std::string reason;
    const varnex::JournalState state = varnex::ReadJournalText(text, journal, reason);
    if (state == varnex::JournalState::kRead) {
        CheckPlan(journal.plan);
    } else {
        Require(!reason.empty(), "a journal refused without a reason");
    }
    return 0;
}
