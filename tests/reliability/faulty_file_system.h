#pragma once
// A file system that passes every call on to another one, interrupting,
// shortening and failing calls at random (from a seeded generator). Faults
// the program must survive without a trace (EINTR, short transfers) are
// silent; faults it must report are announced by a marker line in the log,
// written just before the failing call returns, so that a checker can tell
// which command met them:
//
//   ~~ seek fault
//   ~~ read fault after N        (N bytes of this read had arrived)
//   ~~ write fault               (only before any byte of this write moved)
//   ~~ wrote START LENGTH        (every write call that moved bytes)

#include <cerrno>
#include <cstdint>
#include <random>
#include <string>

#include "output/line_writer.h"
#include "platform/file_system.h"

namespace varnex::reliability {

struct FaultRates {
    double interrupted = 0;  // EINTR on a read or write call
    double short_transfer = 0;
    double seek_fault = 0;
    double read_fault = 0;
    double write_fault = 0;
};

class FaultyFileSystem final : public FileSystem {
public:
    FaultyFileSystem(FileSystem& inner, std::uint64_t seed, FaultRates rates)
        : inner_(inner), random_(seed), rates_(rates) {}

    std::size_t faults_injected = 0;

    FileHandle Open(const char* name, ErrorCode& error) override { return inner_.Open(name, error); }

    int Seek(FileHandle file, std::uint64_t offset, ErrorCode& error) override {
        moved_since_seek_ = 0;
        if (Chance(rates_.seek_fault)) {
            Mark("~~ seek fault");
            error = EINVAL;
            return -1;
        }
        const int result = inner_.Seek(file, offset, error);
        if (result == 0) position_ = offset;
        return result;
    }

    CallResult Read(FileHandle file, void* buffer, std::size_t count, ErrorCode& error) override {
        if (Chance(rates_.interrupted)) return Interrupt(error);
        if (Chance(rates_.read_fault)) {
            Mark("~~ read fault after " + std::to_string(moved_since_seek_));
            error = EIO;
            return {0, true};
        }
        const CallResult got = inner_.Read(file, buffer, Shortened(count), error);
        Moved(got.moved);
        return got;
    }

    CallResult Write(FileHandle file, const void* buffer, std::size_t count, ErrorCode& error) override {
        if (Chance(rates_.interrupted)) return Interrupt(error);
        if (moved_since_seek_ == 0 && Chance(rates_.write_fault)) {
            Mark("~~ write fault");
            error = ENOSPC;
            return {0, true};
        }
        const CallResult put = inner_.Write(file, buffer, Shortened(count), error);
        if (put.moved > 0) {
            WriteLine("~~ wrote " + std::to_string(position_) + " " + std::to_string(put.moved));
            Moved(put.moved);
        }
        return put;
    }

    void Close(FileHandle file) override { inner_.Close(file); }

private:
    bool Chance(double rate) { return rate > 0 && std::uniform_real_distribution<double>(0, 1)(random_) < rate; }

    CallResult Interrupt(ErrorCode& error) {
        ++faults_injected;
        error = EINTR;
        return {0, true};
    }

    std::size_t Shortened(std::size_t count) {
        if (count <= 1 || !Chance(rates_.short_transfer)) return count;
        ++faults_injected;
        return 1 + random_() % (count - 1);
    }

    void Moved(std::size_t bytes) {
        moved_since_seek_ += bytes;
        position_ += bytes;
    }

    void Mark(const std::string& text) {
        ++faults_injected;
        WriteLine(text);
    }

    FileSystem& inner_;
    std::mt19937_64 random_;
    FaultRates rates_;
    std::uint64_t position_ = 0;
    std::uint64_t moved_since_seek_ = 0;
};

}  // namespace varnex::reliability
