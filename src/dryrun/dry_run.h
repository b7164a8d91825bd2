#pragma once
// The dry run: the command stream carried out against the target file by the
// real interpreter and page reads, with the file opened for reading only and
// every write kept in memory, so that later reads of the same bytes see it
// and the file itself is never changed.

#include <string_view>

#include "command/byte_source.h"
#include "dryrun/overlay_file_system.h"

namespace varnex {

struct DryRunResult {
    bool file_opened = false;         // false: the file could not be opened (the log says why)
    bool warnings_or_errors = false;  // the log holds a W or E message (echoed lines do not count)
};

// Prints the log the real run `varnex FILE [PAGE_SIZE_SWITCH] < stream` would
// print, banners included, except that each write line says the page would
// be written. `page_size_switch` is the "-P:..." argument as given, or null.
DryRunResult RunDryRun(const char* file_name, const char* page_size_switch, std::string_view stream);

// The same over `files`, which keeps what the run wrote for the caller.
DryRunResult RunDryRun(const char* file_name, const char* page_size_switch, std::string_view stream,
                       OverlayFileSystem& files);

// The same with the stream read from `stream` as the run goes, never held
// whole.
DryRunResult RunDryRun(const char* file_name, const char* page_size_switch, ByteSource& stream,
                       OverlayFileSystem& files);

}  // namespace varnex
