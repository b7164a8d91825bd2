#pragma once
// varnex-apply from its parsed request to its exit status: a command stream
// applied to one file all or nothing, with a durable journal that finishes
// or takes back a run cut short at any moment. Every call on the target file
// and on the journal goes through the DurableFileSystem given, so that a test
// can put in its place a file system that loses power after any call.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/durable_file_system.h"

namespace varnex {

inline constexpr int kApplyDone = 0;          // applied, already applied, rolled back; --status: fully applied
inline constexpr int kApplyRefused = 1;       // nothing written; --status: not applied at all
inline constexpr int kApplyTrouble = 2;       // bad usage, unreadable input, a journal that cannot be written
inline constexpr int kStatusPartly = 3;       // --status: some pages done or torn, none foreign
inline constexpr int kStatusForeign = 4;      // --status: some byte holds neither its old nor its new value

struct ApplyRequest {
    enum class Mode { kApply, kRollback, kStatus };
    std::string file;                       // FILE
    std::vector<std::string> stream_names;  // as given ("-" for standard input); for the journal's tie
    std::string streams_text;               // the streams joined, as a run reads them
    bool have_streams = true;               // false: --rollback/--status with the journal alone
    std::string journal_path;               // empty: FILE + kJournalSuffix
    std::uint32_t page_size = 4096;
    const char* page_size_switch = nullptr;  // "-P:..." as given, or null
    Mode mode = Mode::kApply;
    bool quiet = false;
    // Names line N of the joined streams ("fix.cmds:12"); null: "stream line N".
    std::function<std::string(std::size_t)> name_line;
};

inline constexpr const char* kJournalSuffix = ".varnex-journal";

// Carries out the request. The log of the real run (as varnex prints it) and
// the --status table go to `log_out` (null: nowhere); messages, refusals and
// the summary to `messages_out` (never null). Returns the exit status.
int RunApply(const ApplyRequest& request, DurableFileSystem& files, std::FILE* log_out, std::FILE* messages_out);

}  // namespace varnex
