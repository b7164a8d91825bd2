// Fuzz target: the command line. The input is the argument list, the
// arguments separated by NUL bytes; the program runs with it against a small
// file in memory and a command stream that loads and dumps one page, so the
// page size the arguments chose is used for real.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "command/byte_source.h"
#include "front/program_entry.h"
#include "fuzz_support.h"
#include "support/fake_file_system.h"

namespace {

using varnex::fuzz::Require;
using varnex::fuzz::StartsWith;

constexpr std::size_t kMostArguments = 16;
constexpr std::string_view kBannerStart = "Quillmark (Varnex) Version: 1.3.1 build: 11 mipping: ";
constexpr std::string_view kClosingBanner = "Quillmark (Varnex) Version: 1.3.1 build: 11 mip completed.";

class ArgumentLog final : public varnex::fuzz::LogWatcher {
public:
    ArgumentLog() : LogWatcher(true) {}
    bool run_banner = false;
    std::string banner_file_name;
    bool page_size_line = false;
    long long page_size = 0;
    std::size_t end_of_stream_lines = 0;

protected:
    void OnLine(std::string_view line) override {
        if (StartsWith(line, kBannerStart)) {
            Require(!run_banner, "two run banners");
            run_banner = true;
            banner_file_name = std::string(line.substr(kBannerStart.size()));
        } else if (run_banner && !page_size_line && StartsWith(line, "  - Page Size ")) {
            page_size_line = true;
            page_size = std::stoll(std::string(line.substr(14)));
        } else if (StartsWith(line, "MIP0105I")) {
            ++end_of_stream_lines;
        }
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    varnex::fuzz::InputCursor input(data, size);
    std::vector<std::string> arguments{"varnex"};
    while (!input.AtEnd() && arguments.size() <= kMostArguments) arguments.emplace_back(input.Until('\0', 4096));
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    argv.push_back(nullptr);

    varnex::testing::FakeFileSystem files;
    files.contents.assign(64, 0x5A);
    varnex::StringByteSource commands("PAGE 0\nDUMP 0 16\n");
    ArgumentLog log;
    const int exit_code = varnex::RunProgram(static_cast<int>(arguments.size()), argv.data(), files, commands);

    Require(log.Complete(), "the log ends in the middle of a line");
    Require(exit_code == varnex::kExitRun || exit_code == varnex::kExitNoFile, "an exit code other than 0 or 16");
    if (exit_code == varnex::kExitNoFile) {
        Require(log.LastLine() == "MIP0050E: Unable to start program execution.", "exit code 16 without MIP0050E");
        Require(!log.run_banner, "exit code 16 after a run banner");
    }
    if (log.run_banner) {
        Require(arguments.size() >= 2 && log.banner_file_name == arguments[1], "the banner names another file");
        Require(arguments[1].size() <= 255, "a run with a file name longer than 255 characters");
        Require(log.page_size_line && log.page_size >= 1, "a run with a page size below 1");
        Require(files.opened_name == arguments[1], "the file opened is not the one named");
        Require(log.LastLine() == kClosingBanner, "a run that does not end with the closing banner");
        Require(log.end_of_stream_lines <= 1, "the end of the stream reported twice");
    } else {
        Require(files.opened_name.empty(), "a file was opened without a run banner");
    }
    Require(files.contents == std::vector<std::uint8_t>(64, 0x5A), "the file changed though no command wrote");
    return 0;
}
