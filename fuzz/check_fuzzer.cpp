// Fuzz target: the stream checker. The first four bytes of the input are the
// page size the run would start with (little-endian), the rest is the command
// stream. The checker must finish on every stream, and every finding must
// point into the stream: a line that exists and a column within it (or just
// after its end), in line and column order.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "check/finding_format.h"
#include "check/stream_lint.h"
#include "fuzz_support.h"

namespace {

using varnex::fuzz::Require;

// The lengths of the stream's lines, as a line feed ends them.
std::vector<std::size_t> LineLengths(std::string_view stream) {
    std::vector<std::size_t> lengths(1, 0);
    for (const char c : stream) {
        if (c == '\n') {
            lengths.push_back(0);
        } else {
            ++lengths.back();
        }
    }
    return lengths;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    varnex::fuzz::InputCursor input(data, size);
    const std::uint32_t page_size = input.Word32();
    const std::string_view stream = input.Rest();

    const std::vector<varnex::Finding> findings = varnex::LintStream(stream, page_size);
    const std::vector<std::size_t> lengths = LineLengths(stream);
    std::size_t previous_line = 0;
    std::size_t previous_column = 0;
    for (const varnex::Finding& finding : findings) {
        Require(finding.line >= 1 && finding.line <= lengths.size(), "a finding on a line the stream does not have");
        Require(finding.column >= 1 && finding.column <= lengths[finding.line - 1] + 1,
                "a finding at a column past the end of its line");
        Require(finding.line > previous_line || (finding.line == previous_line && finding.column >= previous_column),
                "findings out of line and column order");
        previous_line = finding.line;
        previous_column = finding.column;
        const std::string text = varnex::FormatFinding("s", finding);
        const std::string where = "s:" + std::to_string(finding.line) + ":" + std::to_string(finding.column) + ": ";
        Require(text.compare(0, where.size(), where) == 0, "a finding that does not begin with its place");
        Require(!text.empty() && text.back() == '\n', "a finding that does not end its last line");
    }
    Require(varnex::LintStream(stream, page_size).size() == findings.size(), "two checks of one stream differ");
    return 0;
}
