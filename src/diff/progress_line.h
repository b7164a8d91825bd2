#pragma once
// How far a long comparison has come, for a person at a terminal: a
// percentage on standard error, rewritten in place a few times a second and
// cleared at the end.

#include <chrono>
#include <cstdint>

namespace varnex {

class ProgressLine {
public:
    // shown=false: nothing is ever written.
    ProgressLine(bool shown, std::uint64_t total);
    void Reached(std::uint64_t done);
    void Clear();

private:
    bool shown_;
    bool written_ = false;
    std::uint64_t total_;
    std::chrono::steady_clock::time_point next_;
};

}  // namespace varnex
