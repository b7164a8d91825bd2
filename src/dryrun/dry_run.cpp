#include "dryrun/dry_run.h"

#include <vector>

#include "dryrun/dry_run_log.h"
#include "dryrun/overlay_file_system.h"
#include "command/byte_source.h"
#include "front/program_entry.h"

namespace varnex {

// The real program from its arguments on, with the file behind an overlay:
// banners, option checks, interpreter and page reads are the ones a real run
// uses, so the log differs only where a page is written.
DryRunResult RunDryRun(const char* file_name, const char* page_size_switch, ByteSource& commands,
                       OverlayFileSystem& files) {
    std::vector<const char*> arguments = {"varnex", file_name};
    if (page_size_switch != nullptr) arguments.push_back(page_size_switch);
    DryRunLog log;
    RunProgram(static_cast<int>(arguments.size()), arguments.data(), files, commands);
    return {files.Opened(), log.SawWarningOrError()};
}

DryRunResult RunDryRun(const char* file_name, const char* page_size_switch, std::string_view stream,
                       OverlayFileSystem& files) {
    StringByteSource commands(stream);
    return RunDryRun(file_name, page_size_switch, commands, files);
}

DryRunResult RunDryRun(const char* file_name, const char* page_size_switch, std::string_view stream) {
    OverlayFileSystem files(SystemFileSystem());
    return RunDryRun(file_name, page_size_switch, stream, files);
}

}  // namespace varnex
