#pragma once
// Learns a file's bytes before a run from the run's own checks: each VER
// names the bytes the page held before the run, so where a page of a file
// the run was partly applied to differs from a VER, at a byte this run has
// not written, the VER's byte is the original one.

#include "apply/original_view.h"
#include "dryrun/overlay_file_system.h"
#include "page/command_interpreter.h"

namespace varnex {

class CheckObserver final : public CommandObserver {
public:
    CheckObserver(const OverlayFileSystem& overlay, const OriginalBytes& known, OriginalBytes& found)
        : overlay_(overlay), known_(known), found_(found) {}
    void BeforeCommand(const Command& command, const PageSlot& current) override;

private:
    bool WrittenByRun(std::uint64_t offset) const;

    const OverlayFileSystem& overlay_;
    const OriginalBytes& known_;
    OriginalBytes& found_;
};

}  // namespace varnex
