#pragma once
// What varnex-apply tells its user on standard error: one line per message,
// each in one write, prefixed with the program's name.

#include <chrono>
#include <cstdio>
#include <string>

namespace varnex {

class ApplyReport {
public:
    ApplyReport(std::FILE* out, bool quiet) : out_(out), quiet_(quiet), start_(std::chrono::steady_clock::now()) {}

    // Always shown: refusals and trouble.
    void Say(const std::string& text) const;
    // Shown unless quiet: notes and the summary.
    void Note(const std::string& text) const {
        if (!quiet_) Say(text);
    }
    double Seconds() const;
    bool Quiet() const { return quiet_; }

private:
    std::FILE* out_;
    bool quiet_;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace varnex
