#pragma once
// Captures every line the code under test writes, for the duration of a scope.

#include <string>

#include "output/line_writer.h"

namespace varnex::testing {

class CapturedOutput final : public LineSink {
public:
    CapturedOutput() : previous_(SetLineSink(this)) {}
    ~CapturedOutput() override { SetLineSink(previous_); }
    CapturedOutput(const CapturedOutput&) = delete;
    CapturedOutput& operator=(const CapturedOutput&) = delete;

    void Put(const char* line, std::size_t length) override {
        text_.append(line, length);
        ++lines_;
    }

    const std::string& Text() const { return text_; }
    std::size_t LineCount() const { return lines_; }
    void Clear() { text_.clear(); lines_ = 0; }

private:
    LineSink* previous_;
    std::string text_;
    std::size_t lines_ = 0;
};

}  // namespace varnex::testing
