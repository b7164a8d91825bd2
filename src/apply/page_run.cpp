#include "apply/page_run.h"

#include <vector>

#include "change/error_text.h"
#include "change/stream_writer.h"
#include "command/byte_source.h"
#include "front/program_entry.h"
#include "platform/temporary_file.h"

namespace varnex {
namespace {

// A made stream read back from its temporary file.
class SpooledBytes final : public ByteSource {
public:
    explicit SpooledBytes(std::FILE* file) : file_(file) {}
    int Next() override {
        const int c = std::getc(file_);
        return c == EOF ? kEnd : c;
    }

private:
    std::FILE* file_;
};

class TemporaryFile {
public:
    TemporaryFile() {
        ErrorCode ignored = 0;  // a null file is reported where it is used
        file_ = CreateTemporaryFile(ignored);
    }
    ~TemporaryFile() {
        if (file_ != nullptr) std::fclose(file_);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    std::FILE* Get() const { return file_; }

private:
    std::FILE* file_ = nullptr;
};

bool WriteMadeStream(TargetFile& target, const Plan& plan, const Census& census, PageProgress goal, std::FILE* out,
                     std::string& error) {
    StreamWriterOptions options;
    options.page_size = plan.page_size;
    options.made_by = {goal == PageProgress::kDone ? "varnex-apply: the pages still to be written"
                                                : "varnex-apply: the pages to take back"};
    StreamWriter writer(out, options);
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < plan.pages.size(); ++i) {
        if (census.states[i] == goal) continue;
        ErrorCode code = 0;
        if (!ReadSpan(target.Files(), target.Handle(), plan.pages[i], bytes, code)) {
            return error = "cannot read " + target.Name() + ": " + ErrorText(code), false;
        }
        if (!writer.Add(SpanChange(plan.pages[i], bytes, goal == PageProgress::kDone))) return error = writer.LastError(), false;
    }
    if (!writer.Finish()) return error = writer.LastError(), false;
    return true;
}

}  // namespace

void RunUserStreams(const ApplyRequest& request, TargetFile& target) {
    std::vector<const char*> arguments = {"varnex", request.file.c_str()};
    if (request.page_size_switch != nullptr) arguments.push_back(request.page_size_switch);
    StringByteSource commands(request.streams_text);
    RunProgram(static_cast<int>(arguments.size()), arguments.data(), target.Files(), commands);
}

bool RunMadeStream(const ApplyRequest& request, TargetFile& target, const Plan& plan, const Census& census,
                   PageProgress goal, std::string& error) {
    TemporaryFile stream;
    if (stream.Get() == nullptr) return error = "cannot make a temporary file", false;
    if (!WriteMadeStream(target, plan, census, goal, stream.Get(), error)) return false;
    std::rewind(stream.Get());
    const char* arguments[] = {"varnex", request.file.c_str()};
    SpooledBytes commands(stream.Get());
    RunProgram(2, arguments, target.Files(), commands);
    return true;
}

}  // namespace varnex
