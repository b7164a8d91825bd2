#pragma once
// How far a long comparison has come, for a person at a terminal: a
// percentage on standard error, rewritten in place a few times a second and
// cleared at the end.

#include <chrono>
#include <cstdint>
#include <cstdio>

namespace varnex {

class ProgressLine {
public:
    // shown=false: nothing is ever written. `output` is where the line goes
    // (standard error; a test's file), rewritten at most once an `interval`.
    ProgressLine(bool shown, std::uint64_t total, std::FILE* output = stderr,
                 std::chrono::milliseconds interval = std::chrono::milliseconds{250});
    void Reached(std::uint64_t done);
    void Clear();

private:
    bool shown_;
    bool written_ = false;
    std::uint64_t total_;
    std::FILE* output_;
    std::chrono::milliseconds interval_;
    std::chrono::steady_clock::time_point next_;
};

}  // namespace varnex
