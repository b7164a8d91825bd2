#pragma once
// A file system over memory whose calls can be made to fail, to move fewer
// bytes than asked, or to be interrupted, for exercising every failure path
// of file access without a real disk.

#include <cerrno>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace varnex::testing {

class FakeFileSystem final : public FileSystem {
public:
    // What the next Read or Write call does instead of its normal work.
    struct Fault {
        // kMovedThenError: `bytes` move, then the call fails with `error` and
        // reports them, as ReadFile and WriteFile can.
        enum Kind { kError, kShort, kZero, kMovedThenError } kind;
        ErrorCode error = 0;     // for kError (EINTR makes an interruption)
        std::size_t bytes = 0;   // for kShort and kMovedThenError: at most this many bytes move
    };

    std::vector<std::uint8_t> contents;
    std::string opened_name;
    ErrorCode open_error = 0;               // non-zero: Open fails with it
    ErrorCode seek_error = 0;               // non-zero: every Seek fails with it
    std::deque<ErrorCode> seek_errors;     // consumed one per Seek call; 0 succeeds
    std::deque<Fault> read_faults;      // consumed one per Read call
    std::deque<Fault> write_faults;     // consumed one per Write call
    std::size_t read_calls = 0;
    std::size_t write_calls = 0;
    bool closed = false;

    FileHandle Open(const char* name, ErrorCode& error) override {
        opened_name = name;
        if (open_error != 0) {
            error = open_error;
            return kNoFile;
        }
        return 3;
    }

    int Seek(FileHandle, std::uint64_t offset, ErrorCode& error) override {
        ErrorCode failure = seek_error;
        if (!seek_errors.empty()) {
            if (failure == 0) failure = seek_errors.front();
            seek_errors.pop_front();
        }
        if (failure != 0) {
            error = failure;
            return -1;
        }
        position_ = offset;
        return 0;
    }

    CallResult Read(FileHandle, void* buffer, std::size_t count, ErrorCode& error) override {
        ++read_calls;
        const Outcome outcome = ApplyFault(read_faults, count, error);
        if (outcome == Outcome::kEnd) return {0, count != kZeroMarker};
        std::size_t moved = 0;
        if (position_ < contents.size()) {
            moved = std::min<std::size_t>(count, contents.size() - position_);
            std::memcpy(buffer, contents.data() + position_, moved);
            position_ += moved;
        }
        return {moved, outcome == Outcome::kMoveThenFail};
    }

    CallResult Write(FileHandle, const void* buffer, std::size_t count, ErrorCode& error) override {
        ++write_calls;
        const Outcome outcome = ApplyFault(write_faults, count, error);
        if (outcome == Outcome::kEnd) return {0, count != kZeroMarker};
        if (contents.size() < position_ + count) contents.resize(position_ + count);
        std::memcpy(contents.data() + position_, buffer, count);
        position_ += count;
        return {count, outcome == Outcome::kMoveThenFail};
    }

    void Close(FileHandle) override { closed = true; }

private:
    static constexpr std::size_t kZeroMarker = static_cast<std::size_t>(-1);

    enum class Outcome { kMove, kMoveThenFail, kEnd };

    // Applies the next fault, if any. kEnd: the call ends at once, failed
    // (error set), or with nothing moved when `count` became kZeroMarker.
    static Outcome ApplyFault(std::deque<Fault>& faults, std::size_t& count, ErrorCode& error) {
        if (faults.empty()) return Outcome::kMove;
        const Fault fault = faults.front();
        faults.pop_front();
        switch (fault.kind) {
            case Fault::kError:
                error = fault.error;
                return Outcome::kEnd;
            case Fault::kZero:
                count = kZeroMarker;
                return Outcome::kEnd;
            case Fault::kShort:
                count = std::min(count, fault.bytes);
                return Outcome::kMove;
            case Fault::kMovedThenError:
                count = std::min(count, fault.bytes);
                error = fault.error;
                return Outcome::kMoveThenFail;
        }
        return Outcome::kMove;
    }

    std::uint64_t position_ = 0;
};

}  // namespace varnex::testing
