#pragma once
// The pages a dry run wrote, as a set of changes to its file: where each page
// starts, the bytes the file holds there now and the bytes the run leaves
// there. The change view and the undo stream take the same pages.

#include <cstdint>
#include <string>
#include <vector>

#include "change/changed_page.h"
#include "dryrun/overlay_file_system.h"

namespace varnex {

// The page size that holds every page the run wrote: the size it started
// with, or its longest write where that is longer (a PAGESIZE, a pushed slot
// of another size).
std::uint32_t ChangePageSize(const OverlayFileSystem& files, std::uint32_t run_page_size);

// Hands each page to every sink, in increasing offset order, then finishes
// every sink. Each stretch the run wrote (pages that touch or overlap make
// one) is cut into pages of `page_size` bytes from its first byte on, the
// last one shorter, so no page is longer than `page_size` and none overlap.
// The file's bytes are read anew from `file_name`. false, with the reason in
// `error`, when they cannot all be read or a sink fails.
bool PassChanges(const char* file_name, const OverlayFileSystem& files, std::uint32_t page_size,
                 const std::vector<ChangeSink*>& sinks, std::string& error);

// Passes each page on with old and new swapped: the changes that take the
// others back.
class TakenBack final : public ChangeSink {
public:
    explicit TakenBack(ChangeSink& next) : next_(next) {}
    bool Add(const ChangedPage& page) override { return next_.Add({page.offset, page.new_bytes, page.old_bytes}); }
    bool Finish() override { return next_.Finish(); }
    const char* LastError() const override { return next_.LastError(); }

private:
    ChangeSink& next_;
};

}  // namespace varnex
