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
        enum Kind { kError, kShort, kZero } kind;
        ErrorCode error = 0;     // for kError (EINTR makes an interruption)
        std::size_t bytes = 0;   // for kShort: at most this many bytes move
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

    std::int64_t Read(FileHandle, void* buffer, std::size_t count, ErrorCode& error) override {
        ++read_calls;
        if (!ApplyFault(read_faults, count, error)) return count == kZeroMarker ? 0 : -1;
        if (position_ >= contents.size()) return 0;
        const std::size_t moved = std::min<std::size_t>(count, contents.size() - position_);
        std::memcpy(buffer, contents.data() + position_, moved);
        position_ += moved;
        return static_cast<std::int64_t>(moved);
    }

    std::int64_t Write(FileHandle, const void* buffer, std::size_t count, ErrorCode& error) override {
        ++write_calls;
        if (!ApplyFault(write_faults, count, error)) return count == kZeroMarker ? 0 : -1;
        if (contents.size() < position_ + count) contents.resize(position_ + count);
        std::memcpy(contents.data() + position_, buffer, count);
        position_ += count;
        return static_cast<std::int64_t>(count);
    }

    void Close(FileHandle) override { closed = true; }

private:
    static constexpr std::size_t kZeroMarker = static_cast<std::size_t>(-1);

    // Applies the next fault, if any. Returns false when the call is to end
    // at once: with -1 (error set), or with 0 when `count` became kZeroMarker.
    static bool ApplyFault(std::deque<Fault>& faults, std::size_t& count, ErrorCode& error) {
        if (faults.empty()) return true;
        const Fault fault = faults.front();
        faults.pop_front();
        switch (fault.kind) {
            case Fault::kError:
                error = fault.error;
                return false;
            case Fault::kZero:
                count = kZeroMarker;
                return false;
            case Fault::kShort:
                count = std::min(count, fault.bytes);
                return true;
        }
        return true;
    }

    std::uint64_t position_ = 0;
};

}  // namespace varnex::testing
