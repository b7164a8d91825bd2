#include "page/command_interpreter.h"

#include "output/dump.h"
#include "output/message_text.h"
#include "page/file_access.h"
#include "page/indirect_offset.h"
#include "page/page_operations.h"
#include "page/page_stack.h"

namespace varnex {
namespace {

// The observer of every run, when a program studying runs installed one.
CommandObserver* installed_observer = nullptr;

class CommandInterpreter {
public:
    CommandInterpreter(FileSystem& files, FileHandle file, CommandReader& reader, PageMemory& memory)
        : files_(files), file_(file), reader_(reader), stack_(memory) {}

    void Run(std::uint32_t page_size);

private:
    using Action = void (CommandInterpreter::*)();
    static constexpr std::uint32_t kStates = 4;
    static constexpr std::uint32_t kCommands = 12;

    // What each command does in each state of the current slot (below).
    static const Action kStateTable[kCommands][kStates];

    PageSlot& Slot() { return stack_.Current(); }
    PageView Page() { return {Slot().buffer, Slot().loaded_length}; }

    // PAGE and PAGE @.
    void Load();
    void WarnLostThenLoad();
    void IndirectThenLoad();
    void IndirectThenWarnLostThenLoad();
    bool FindIndirectTarget();
    void GuardStandInPage();

    // Work on the page held.
    void Verify();
    void Replace();
    void Write();
    void Search();
    void ShowHex() { Show(HexDump); }
    void ShowBits() { Show(BitDump); }
    void Show(void (*dump)(const std::uint8_t*, const char*, std::int32_t));

    // PAGESIZE.
    void ResizeReportingAlways() { Resize(true); }
    void ResizeReportingCut() { Resize(false); }
    void Resize(bool report_always);

    // The stack.
    void Push() { stack_.Push(); }
    void Pop();
    void End();

    // Refusals: each changes nothing.
    void RefuseNoPage();
    void RefusePatchAfterFailedVerify();
    void RefuseWriteAfterFailedVerify();
    void SkipUnchangedWrite();

    FileSystem& files_;
    FileHandle file_;
    CommandReader& reader_;
    PageStack stack_;
    Command command_;
    std::uint32_t page_counter_ = 0;  // PAGE commands run so far; wraps, shown signed
};

// What each command does in each state of the current slot. Rows follow the
// command codes 1 to 12; a refusal changes nothing.
using I = CommandInterpreter;
const CommandInterpreter::Action CommandInterpreter::kStateTable[kCommands][kStates] = {
    //               NoPage                      Loaded                   VerifyFailed                       Updated
    /* PAGE     */ {&I::Load,                   &I::Load,                &I::Load,                          &I::WarnLostThenLoad},
    /* VER      */ {&I::RefuseNoPage,           &I::Verify,              &I::Verify,                        &I::Verify},
    /* REP      */ {&I::RefuseNoPage,           &I::Replace,             &I::RefusePatchAfterFailedVerify,  &I::Replace},
    /* WRITE    */ {&I::RefuseNoPage,           &I::SkipUnchangedWrite,  &I::RefuseWriteAfterFailedVerify,  &I::Write},
    /* DUMP     */ {&I::RefuseNoPage,           &I::ShowHex,             &I::ShowHex,                       &I::ShowHex},
    /* PAGESIZE */ {&I::ResizeReportingAlways,  &I::ResizeReportingCut,  &I::ResizeReportingCut,            &I::ResizeReportingCut},
    /* PUSH     */ {&I::RefuseNoPage,           &I::Push,                &I::Push,                          &I::Push},
    /* POP      */ {&I::Pop,                    &I::Pop,                 &I::Pop,                           &I::Pop},
    /* SEARCH   */ {&I::RefuseNoPage,           &I::Search,              &I::Search,                        &I::Search},
    /* BITDUMP  */ {&I::RefuseNoPage,           &I::ShowBits,            &I::ShowBits,                      &I::ShowBits},
    /* PAGE @   */ {&I::IndirectThenLoad,       &I::IndirectThenLoad,    &I::IndirectThenLoad,              &I::IndirectThenWarnLostThenLoad},
    /* END      */ {&I::End,                    &I::End,                 &I::End,                           &I::End},
};

void CommandInterpreter::Run(std::uint32_t page_size) {
    if (!stack_.Start(page_size)) {
        WriteMessage("MIP0118E: Unable to allocate a page buffer of %u bytes.", page_size);
        return;
    }
    for (;;) {
        const CommandCode code = reader_.ReadCommand(Slot().page_size, command_);
        const auto row = static_cast<std::uint32_t>(code) - 1;
        const auto column = static_cast<std::uint32_t>(Slot().state) - 1;
        // The reader hands over only codes 1 to 12; anything else is no
        // command and is passed over rather than looked up.
        if (row >= kCommands) continue;
        if (installed_observer != nullptr) installed_observer->BeforeCommand(command_, Slot());
        (this->*kStateTable[row][column])();
        if (code == CommandCode::kEndOfStream) return;
    }
}

void CommandInterpreter::Load() {
    PageSlot& slot = Slot();
    slot.offset_high = command_.value_a;
    slot.offset_low = command_.value_b;
    ++page_counter_;
    slot.loaded_length = PageRead(files_, file_, slot.offset_high, slot.offset_low, slot.buffer, slot.page_size);
    slot.state = slot.loaded_length > 0 ? PageState::kLoaded : PageState::kNoPage;
}

void CommandInterpreter::WarnLostThenLoad() {
    WarnUpdatedPageLost(Slot());
    Load();
}

bool CommandInterpreter::FindIndirectTarget() {
    if (ComputeIndirectOffset(stack_, command_.value_b, command_.value_a)) return true;
    WriteMessage("MIP0123E: The indirect page command was unable to compute the target offset for the target page.");
    return false;
}

// When the target cannot be found, the page at 0:0 is loaded in its place.
// The stream meant another place, so that page may be shown, verified and
// searched, but it is held as after a failed verify: a REP or WRITE meant for
// the target never reaches the start of the file.
void CommandInterpreter::GuardStandInPage() {
    if (Slot().state == PageState::kLoaded) Slot().state = PageState::kVerifyFailed;
}

void CommandInterpreter::IndirectThenLoad() {
    const bool found = FindIndirectTarget();
    Load();
    if (!found) GuardStandInPage();
}

void CommandInterpreter::IndirectThenWarnLostThenLoad() {
    const bool found = FindIndirectTarget();
    WarnLostThenLoad();
    if (!found) GuardStandInPage();
}

void CommandInterpreter::Verify() {
    if (!VerifyBytes(Page(), command_.value_b, command_.data, command_.byte_count)) {
        Slot().state = PageState::kVerifyFailed;
    }
}

void CommandInterpreter::Replace() {
    const bool replaced = ReplaceBytes(Page(), command_.value_b, command_.data, command_.byte_count);
    Slot().state = replaced ? PageState::kUpdated : PageState::kVerifyFailed;
}

void CommandInterpreter::Write() {
    PageSlot& slot = Slot();
    if (PageWrite(files_, file_, slot.offset_high, slot.offset_low, slot.buffer, slot.loaded_length)) {
        slot.state = PageState::kLoaded;
    }
}

void CommandInterpreter::Search() { SearchBytes(Page(), command_.value_b, command_.data, command_.byte_count); }

void CommandInterpreter::Show(void (*dump)(const std::uint8_t*, const char*, std::int32_t)) {
    const PageSlot& slot = Slot();
    const std::uint32_t offset = command_.value_b;
    if (offset >= slot.loaded_length) {
        WriteMessage("MIP0126E: The offset specified is beyond the end of the loaded page.");
        return;
    }
    std::uint32_t length = command_.value_a == 0 ? slot.loaded_length : command_.value_a;
    if (length > slot.loaded_length - offset) length = slot.loaded_length - offset;

    MessageText title;
    if (offset == 0) {
        title.Format("Page# %i - Offset: 0x%.8X:%.8X", static_cast<int>(page_counter_), slot.offset_high,
                     slot.offset_low);
    } else {
        title.Format("Page# %i - Offset: 0x%.8X:%.8X (+%i)", static_cast<int>(page_counter_), slot.offset_high,
                     slot.offset_low, static_cast<int>(offset));
    }
    dump(slot.buffer + offset, title.CString(), static_cast<std::int32_t>(length));
}

void CommandInterpreter::Resize(bool report_always) {
    const std::uint32_t new_size = command_.value_b;
    if (new_size > Slot().capacity && !stack_.Grow(new_size)) {
        WriteMessage("MIP0118E: Unable to allocate a page buffer of %u bytes.", new_size);
        return;
    }
    PageSlot& slot = Slot();
    if (report_always) {
        WriteMessage("MIP0121I: The current page size has changed from %i to %i.", static_cast<int>(slot.page_size),
                     static_cast<int>(new_size));
    } else if (new_size < slot.loaded_length) {
        WriteMessage("MIP0121I: The current page size has changed from %i to %i.",
                     static_cast<int>(slot.loaded_length), static_cast<int>(new_size));
        slot.loaded_length = new_size;
    }
    slot.page_size = new_size;
}

void CommandInterpreter::Pop() {
    if (!stack_.Pop()) {
        WriteMessage("MIP0119W: No page was available to be popped, the pop command has been ignored.");
    }
}

void CommandInterpreter::End() {
    while (stack_.Pop()) {
    }
    if (Slot().state == PageState::kUpdated) WarnUpdatedPageLost(Slot());
    stack_.ReleaseBase();
    WriteMessage("MIP0105I: The end of the command stream has been reached.");
}

void CommandInterpreter::RefuseNoPage() {
    WriteMessage("MIP0103E: The command could not be executed as no page is currently loaded.");
}

void CommandInterpreter::RefusePatchAfterFailedVerify() {
    WriteMessage("MIP0107W: This patch cannot be applied because a previous verify has failed.");
}

void CommandInterpreter::RefuseWriteAfterFailedVerify() {
    WriteMessage("MIP0108W: This page will not be written because a patch verification has failed.");
}

void CommandInterpreter::SkipUnchangedWrite() {
    WriteMessage("MIP0106W: The current page has not been updated so the write has been skipped.");
}

}  // namespace

CommandObserver* SetCommandObserver(CommandObserver* observer) {
    CommandObserver* previous = installed_observer;
    installed_observer = observer;
    return previous;
}

void RunInterpreter(FileSystem& files, FileHandle file, std::uint32_t page_size, CommandReader& reader,
                    PageMemory& memory) {
    CommandInterpreter interpreter(files, file, reader, memory);
    interpreter.Run(page_size);
}

}  // namespace varnex
