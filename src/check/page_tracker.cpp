#include "check/page_tracker.h"

#include <string>

#include "check/command_description.h"
#include "command/verb_table.h"
#include "command/word_kind.h"

namespace varnex {
namespace {

constexpr std::size_t kStackSlots = 10;

std::string Number(std::uint64_t value) { return std::to_string(value); }

std::size_t VerbIndex(const LineContext& context) { return context.words[0].start; }

std::size_t Operand1Index(const LineContext& context) {
    return context.tokens.operand1 != nullptr ? context.IndexOf(context.tokens.operand1) : VerbIndex(context);
}

}  // namespace

// In command-code order, from 0 (unused) to kIndirectPage.
const PageTracker::Action PageTracker::kActions[] = {
    &PageTracker::Nothing,      // 0
    &PageTracker::Page,         // PAGE
    &PageTracker::Verify,       // VER
    &PageTracker::Replace,      // REP
    &PageTracker::Write,        // WRITE
    &PageTracker::Show,         // DUMP
    &PageTracker::SetPageSize,  // PAGESIZE
    &PageTracker::Push,         // PUSH
    &PageTracker::Pop,          // POP
    &PageTracker::Search,       // SEARCH
    &PageTracker::Show,         // BITDUMP
    &PageTracker::Page,         // PAGE @
};

PageTracker::Slot PageTracker::EmptySlot(std::uint32_t page_size) {
    Slot slot;
    slot.page_size = page_size;
    return slot;
}

PageTracker::PageTracker(std::uint32_t page_size) : slots_{EmptySlot(page_size)} {}

void PageTracker::NoteMistypedVerb(const MistypedVerb& mistyped) {
    if (std::string_view(mistyped.verb) == "VER") slots_.back().mistyped_guard = mistyped.finding;
}

void PageTracker::Apply(const LineContext& context, FindingList& findings) {
    const auto code = static_cast<std::size_t>(context.command.code);
    if (code < std::size(kActions)) (this->*kActions[code])(context, findings);
    misplaced_page_.clear();
}

void PageTracker::Finish(FindingList& findings) {
    for (auto slot = slots_.rbegin(); slot != slots_.rend(); ++slot) {
        if (!slot->unwritten_change) continue;
        const StreamLine& line = *slot->unwritten_change;
        findings.Add(line, line.view.find_first_not_of(' '), Severity::kWarning,
                     "the page changed here is never written: the change is lost at the end of the stream");
    }
}

bool PageTracker::RequirePage(const LineContext& context, FindingList& findings) {
    if (slots_.back().page_line != 0) return true;
    const std::string verb = VerbFor(context.command.code)->name;
    findings.Add(context.line, VerbIndex(context), Severity::kWarning,
                 "no page is loaded in this slot: the " + verb + " is refused (MIP0103E)");
    return false;
}

void PageTracker::CheckBounds(const LineContext& context, std::uint32_t offset, std::uint32_t count,
                              std::uint32_t page_size, FindingList& findings) {
    if (std::uint64_t{offset} + count <= page_size) return;
    const std::string bytes =
        count == 1 ? "byte " + Number(offset) + " lies beyond"
                   : "bytes " + Number(offset) + " to " + Number(std::uint64_t{offset} + count - 1) + " pass";
    findings.Add(context.line, Operand1Index(context), Severity::kWarning,
                 bytes + " the end of the " + Number(page_size) + "-byte page", {DescribeCommand(context.command)});
}

void PageTracker::WarnUnwritten(const LineContext& context, const char* how, FindingList& findings) {
    Slot& slot = slots_.back();
    if (!slot.unwritten_change) return;
    findings.Add(context.line, VerbIndex(context), Severity::kWarning,
                 "the page changed on line " + Number(slot.unwritten_change->number) + " is not written before " + how +
                     ": the change is lost");
    slot.unwritten_change.reset();
}

// PAGE @ reads the stored offset from the current page, or from the page
// below when the current slot has none yet.
void PageTracker::CheckIndirectSource(const LineContext& context, FindingList& findings) {
    const Slot* source = &slots_.back();
    if (source->page_line == 0) source = slots_.size() > 1 ? &slots_[slots_.size() - 2] : nullptr;
    if (source == nullptr || source->page_line == 0) {
        findings.Add(context.line, VerbIndex(context), Severity::kWarning,
                     "no page is loaded to read the stored offset from: the page at offset 0 is loaded (MIP0123E)");
        return;
    }
    CheckBounds(context, context.command.value_b, WordKindWidth(context.command.value_a), source->page_size, findings);
}

void PageTracker::Page(const LineContext& context, FindingList& findings) {
    if (context.command.code == CommandCode::kIndirectPage) CheckIndirectSource(context, findings);
    WarnUnwritten(context, "this PAGE", findings);
    Slot& slot = slots_.back();
    slot.page_line = context.line.number;
    slot.verified = false;
    slot.verified_bytes.Clear();
    slot.misplaced = std::move(misplaced_page_);
    slot.mistyped_guard.reset();
}

void PageTracker::Verify(const LineContext& context, FindingList& findings) {
    if (!RequirePage(context, findings)) return;
    Slot& slot = slots_.back();
    CheckBounds(context, context.command.value_b, context.command.byte_count, slot.page_size, findings);
    slot.verified = true;
    slot.verified_bytes.Add(context.command.value_b, std::uint64_t{context.command.value_b} + context.command.byte_count);
    slot.mistyped_guard.reset();
}

void PageTracker::Replace(const LineContext& context, FindingList& findings) {
    if (!RequirePage(context, findings)) return;
    Slot& slot = slots_.back();
    CheckBounds(context, context.command.value_b, context.command.byte_count, slot.page_size, findings);
    if (slot.mistyped_guard) {
        Finding& guard = findings[*slot.mistyped_guard];
        guard.severity = Severity::kError;
        guard.details.push_back("the REP on line " + Number(context.line.number) + " then changes the page unchecked");
        slot.mistyped_guard.reset();
    } else if (!slot.verified) {
        findings.Add(context.line, VerbIndex(context), Severity::kWarning,
                     "REP with no VER since the PAGE on line " + Number(slot.page_line) +
                         ": nothing checks the page before it is changed");
    } else {
        CheckUnverifiedBytes(context, findings);
    }
    ConfirmMisplaced(context, "changes", findings);
    if (!slot.unwritten_change) slot.unwritten_change = context.line;
}

// The bytes a REP changes that no VER compared: the stream does not say what
// they held, so nothing can give them back.
void PageTracker::CheckUnverifiedBytes(const LineContext& context, FindingList& findings) {
    const Slot& slot = slots_.back();
    const std::uint64_t offset = context.command.value_b;
    const std::vector<ByteRange> unchecked = slot.verified_bytes.Uncovered(offset, offset + context.command.byte_count);
    if (unchecked.empty()) return;
    std::string message = "REP changes bytes that no VER since the PAGE on line ";
    message += Number(slot.page_line);
    message += " checked: ";
    message += unchecked.size() == 1 && unchecked[0].end - unchecked[0].begin == 1 ? "offset " : "offsets ";
    message += DescribeRanges(unchecked);
    findings.Add(context.line, VerbIndex(context), Severity::kWarning, std::move(message),
                 {DescribeCommand(context.command), "what those bytes held before is nowhere in the stream"});
}

// A REP or WRITE on a page loaded from another offset than the one written
// patches the wrong bytes of the file.
void PageTracker::ConfirmMisplaced(const LineContext& context, const char* does, FindingList& findings) {
    Slot& slot = slots_.back();
    for (const std::size_t place : slot.misplaced) {
        Finding& finding = findings[place];
        finding.severity = Severity::kError;
        std::string detail = "the ";
        detail += VerbFor(context.command.code)->name;
        detail += " on line ";
        detail += Number(context.line.number);
        detail += " then ";
        detail += does;
        detail += " that page";
        finding.details.push_back(std::move(detail));
    }
    slot.misplaced.clear();
}

void PageTracker::Write(const LineContext& context, FindingList& findings) {
    if (!RequirePage(context, findings)) return;
    ConfirmMisplaced(context, "writes", findings);
    slots_.back().unwritten_change.reset();
}

void PageTracker::Show(const LineContext& context, FindingList& findings) {
    if (!RequirePage(context, findings)) return;
    const std::uint32_t page_size = slots_.back().page_size;
    const std::uint32_t offset = context.command.value_b;
    if (offset >= page_size) {
        findings.Add(context.line, Operand1Index(context), Severity::kWarning,
                     "offset " + Number(offset) + " is beyond the end of the " + Number(page_size) + "-byte page");
        return;
    }
    if (context.command.value_a != 0) CheckBounds(context, offset, context.command.value_a, page_size, findings);
}

void PageTracker::Search(const LineContext& context, FindingList& findings) {
    if (!RequirePage(context, findings)) return;
    CheckBounds(context, context.command.value_b, context.command.byte_count, slots_.back().page_size, findings);
}

void PageTracker::SetPageSize(const LineContext& context, FindingList& findings) {
    const std::uint32_t size = context.command.value_b;
    if (size == 0) {
        findings.Add(context.line, Operand1Index(context), Severity::kWarning,
                     "a page size of 0: every later PAGE in this slot reads nothing");
    }
    slots_.back().page_size = size;
}

void PageTracker::Push(const LineContext& context, FindingList& findings) {
    if (!RequirePage(context, findings)) return;
    if (slots_.size() == kStackSlots) {
        findings.Add(context.line, VerbIndex(context), Severity::kWarning,
                     "the stack already holds ten slots: the PUSH is refused (MIP0120E)");
        return;
    }
    slots_.push_back(EmptySlot(slots_.back().page_size));
}

void PageTracker::Pop(const LineContext& context, FindingList& findings) {
    if (slots_.size() == 1) {
        findings.Add(context.line, VerbIndex(context), Severity::kWarning,
                     "no slot was pushed: the POP is ignored (MIP0119W)");
        return;
    }
    WarnUnwritten(context, "this POP", findings);
    slots_.pop_back();
}

}  // namespace varnex
