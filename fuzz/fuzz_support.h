#pragma once
// Shared pieces of the fuzz targets: a log watcher that takes the place of
// standard output, the check that turns a broken promise into a crash the
// fuzzer reports, and the sanitizer settings every target runs with.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "output/line_writer.h"

// Page sizes come from the input, so a target may ask for buffers of many
// GiB. Rather than letting such a request end the run as "out of memory",
// the allocator says no, which the program reports with MIP0118E or MIP0120E:
// those paths are fuzzed too.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VARNEX_FUZZ_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define VARNEX_FUZZ_ASAN 1
#endif
#ifdef VARNEX_FUZZ_ASAN
extern "C" const char* __asan_default_options() {  // NOLINT: the sanitizer looks this name up
    return "allocator_may_return_null=1:max_allocation_size_mb=64:detect_leaks=1";
}
#endif

namespace varnex::fuzz {

// Ends the run with a report when a property of the program does not hold.
// An abort is what the fuzzer and the replay test both catch.
inline void Require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "varnex fuzz property violated: %s\n", what);
    std::abort();
}

// Receives every log line in place of standard output. It keeps only what
// the checks need, so that inputs full of DUMP commands stay cheap.
class LogWatcher : public varnex::LineSink {
public:
    // Text taken from the command line (a file name, a switch) is printed as
    // it was given, line breaks included; `breaks_allowed` accepts that.
    explicit LogWatcher(bool breaks_allowed = false)
        : previous_(varnex::SetLineSink(this)), breaks_allowed_(breaks_allowed) {}
    ~LogWatcher() override { varnex::SetLineSink(previous_); }
    LogWatcher(const LogWatcher&) = delete;
    LogWatcher& operator=(const LogWatcher&) = delete;

    void Put(const char* text, std::size_t length) override {
        // A line reaches the sink whole with its newline, or (for lines
        // longer than the writer's buffer) as its text and then a newline.
        pending_.append(text, length);
        if (pending_.empty() || pending_.back() != '\n') return;
        pending_.pop_back();
        Require(breaks_allowed_ || pending_.find('\n') == std::string::npos, "a line holds a line break");
        ++lines_;
        OnLine(pending_);
        last_line_ = pending_;
        pending_.clear();
    }

    std::size_t Lines() const { return lines_; }
    const std::string& LastLine() const { return last_line_; }
    bool Complete() const { return pending_.empty(); }

protected:
    virtual void OnLine(std::string_view line) { (void)line; }

private:
    varnex::LineSink* previous_;
    bool breaks_allowed_;
    std::string pending_;
    std::string last_line_;
    std::size_t lines_ = 0;
};

inline bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Reads the input front to back; every read past the end gives zeros.
class InputCursor {
public:
    InputCursor(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool AtEnd() const { return position_ >= size_; }

    std::uint8_t Byte() { return position_ < size_ ? data_[position_++] : 0; }

    // Four bytes, least significant first.
    std::uint32_t Word32() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(Byte()) << (8 * i);
        return value;
    }

    // Up to `limit` bytes before the next `stop` byte; the stop byte is
    // consumed and not returned.
    std::string_view Until(char stop, std::size_t limit) {
        const std::size_t start = position_;
        while (position_ < size_ && position_ - start < limit && data_[position_] != static_cast<std::uint8_t>(stop)) {
            ++position_;
        }
        const std::string_view piece(reinterpret_cast<const char*>(data_) + start, position_ - start);
        if (position_ < size_ && data_[position_] == static_cast<std::uint8_t>(stop)) ++position_;
        return piece;
    }

    std::string_view Take(std::size_t count) {
        if (count > size_ - position_) count = size_ - position_;
        const std::string_view piece(reinterpret_cast<const char*>(data_) + position_, count);
        position_ += count;
        return piece;
    }

    std::string_view Rest() { return Take(size_ - position_); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

}  // namespace varnex::fuzz
