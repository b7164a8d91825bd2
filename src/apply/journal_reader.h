#pragma once
// Reading a journal back: its tie, its pages (the offset, and the bytes
// before and after at each position the run changes), and whether the run it
// belongs to completed or was taken back. The pages are read by the command
// reader itself, as varnex would read the journal.

#include <string>

#include "apply/apply_plan.h"
#include "apply/journal_tie.h"
#include "command/byte_source.h"
#include "platform/durable_file_system.h"

namespace varnex {

struct Journal {
    JournalTie tie;
    Plan plan;
    bool complete = false;     // the last mark says the run completed
    bool rolled_back = false;  // the last mark says it was taken back
};

enum class JournalState {
    kMissing,     // no file at the path
    kRead,        // whole, its checksum right
    kUnended,     // no end line: it was never made durable, so the file was never touched by its run
    kCorrupt,     // an end line, but the rest does not match it, or not a journal at all
    kUnreadable,  // it cannot be opened or read
};

// `reason` says what is wrong for every state but kRead and kMissing.
JournalState ReadJournal(DurableFileSystem& files, const std::string& path, Journal& journal, std::string& reason);

// The same from the journal's bytes in memory (for the fuzz target).
JournalState ReadJournalText(const std::string& text, Journal& journal, std::string& reason);

}  // namespace varnex
