#pragma once
// Runs that write the target file: the user's streams as they are, or a
// stream made here that takes chosen pages from the bytes they hold now to
// their new (finishing) or old (rolling back) bytes. Both run through the
// real program, whose log goes to the sink given.

#include <string>

#include "apply/apply_engine.h"
#include "apply/apply_target.h"
#include "output/line_writer.h"

namespace varnex {

// Lines to a stdio stream, one write and a flush each; or nowhere (null).
class FileLogSink final : public LineSink {
public:
    explicit FileLogSink(std::FILE* out) : out_(out) {}
    void Put(const char* line, std::size_t length) override {
        if (out_ == nullptr) return;
        std::fwrite(line, 1, length, out_);
        std::fflush(out_);
    }

private:
    std::FILE* out_;
};

void RunUserStreams(const ApplyRequest& request, TargetFile& target);

// Writes every page of the plan whose state is not `goal` (kDone: new bytes,
// kNotStarted: old bytes). false: the stream could not be made (`error`).
bool RunMadeStream(const ApplyRequest& request, TargetFile& target, const Plan& plan, const Census& census,
                   PageProgress goal, std::string& error);

}  // namespace varnex
