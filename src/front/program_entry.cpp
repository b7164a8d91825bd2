#include "front/program_entry.h"

#include "front/program_options.h"
#include "output/line_writer.h"
#include "output/message_text.h"
#include "page/file_access.h"

namespace varnex {
namespace {

constexpr const char* kBannerStart = "Quillmark (Varnex) Version: 1.3.1 build: 11";

void PrintRunBanner(const ProgramOptions& options) {
    WriteMessageAndEmptyLine("%s mipping: %s", kBannerStart, options.file_name);
    WriteMessageAndEmptyLine("  - Page Size %i", options.page_size);
    WriteEmptyLine();
}

void PrintClosingBanner() {
    WriteEmptyLine();
    WriteEmptyLine();
    WriteMessage("%s mip completed.", kBannerStart);
}

}  // namespace

int RunProgram(int argc, const char* const* argv, FileSystem& files, ByteSource& commands) {
    ProgramOptions options;
    const bool parse_result = ParseArguments(argc, argv, options);
    if (!options.run_flag) return kExitRun;
    if (!parse_result) {
        WriteLine("MIP0050E: Unable to start program execution.");
        return kExitNoFile;
    }
    PrintRunBanner(options);
    OpenAndRun(options.file_name, static_cast<std::uint32_t>(options.page_size), files, commands);
    PrintClosingBanner();
    return kExitRun;
}

}  // namespace varnex
