// The progress line's exact bytes, as a terminal receives them: no NUL, no
// byte past the text, and the line blanked at the end.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "diff/progress_line.h"
#include "support/scratch_stream.h"

namespace varnex {
namespace {

struct ProgressCase {
    const char* what;
    bool shown;
    std::uint64_t total;
    std::vector<std::uint64_t> reached;
    std::string expected;
};

std::string Written(const ProgressCase& c) {
    std::FILE* file = testing::ScratchStream();
    ProgressLine progress(c.shown, c.total, file, std::chrono::milliseconds{0});
    for (const std::uint64_t done : c.reached) progress.Reached(done);
    progress.Clear();
    std::string text(256, '\0');
    std::rewind(file);
    text.resize(std::fread(text.data(), 1, text.size(), file));
    std::fclose(file);
    return text;
}

TEST(ProgressLine, WritesExactlyThePercentageAndBlanksItAtTheEnd) {
    const std::string blank = "\r                         \r";
    const ProgressCase cases[] = {
        {"one, two and three digits", true, 1000, {0, 55, 1000}, "\rvarnex-diff:   0%\rvarnex-diff:   5%\rvarnex-diff: 100%" + blank},
        {"a size past 2^64 / 100", true, UINT64_MAX, {UINT64_MAX / 2}, "\rvarnex-diff:  50%" + blank},
        {"not a terminal", false, 1000, {500}, ""},
        {"a size not known (a pipe)", true, 0, {500}, ""},
        {"nothing reached, nothing blanked", true, 1000, {}, ""},
    };
    for (const ProgressCase& c : cases) {
        EXPECT_EQ(Written(c), c.expected) << c.what;
    }
}

}  // namespace
}  // namespace varnex
