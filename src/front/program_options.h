#pragma once
// The command line: the target file's name and the page size, and whether the
// arguments allow a run at all.

#include <cstdint>

namespace varnex {

inline constexpr int kMaxArgumentLength = 255;
inline constexpr std::int32_t kDefaultPageSize = 4096;

struct ProgramOptions {
    bool parse_result = false;  // true when the arguments allow a run
    bool run_flag = false;      // cleared when the usage text ends the program quietly
    char file_name[kMaxArgumentLength + 1] = {};
    std::int32_t page_size = kDefaultPageSize;
};

// Examines the arguments (argv[1] onwards), printing the usage text and the
// argument messages as it goes, and fills `options`. Returns the parse result.
bool ParseArguments(int argc, const char* const* argv, ProgramOptions& options);

}  // namespace varnex
