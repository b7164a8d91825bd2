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

    int Open(const char* name, int& error) override { return inner_.Open(name, error); }

    int Seek(int descriptor, std::uint64_t offset, int& error) override {
        moved_since_seek_ = 0;
        if (Chance(rates_.seek_fault)) {
            Mark("~~ seek fault");
            error = EINVAL;
            return -1;
        }
        const int result = inner_.Seek(descriptor, offset, error);
        if (result == 0) position_ = offset;
        return result;
    }

    ssize_t Read(int descriptor, void* buffer, std::size_t count, int& error) override {
        if (Chance(rates_.interrupted)) return Interrupt(error);
        if (Chance(rates_.read_fault)) {
            Mark("~~ read fault after " + std::to_string(moved_since_seek_));
            error = EIO;
            return -1;
        }
        const ssize_t got = inner_.Read(descriptor, buffer, Shortened(count), error);
        if (got > 0) Moved(got);
        return got;
    }

    ssize_t Write(int descriptor, const void* buffer, std::size_t count, int& error) override {
        if (Chance(rates_.interrupted)) return Interrupt(error);
        if (moved_since_seek_ == 0 && Chance(rates_.write_fault)) {
            Mark("~~ write fault");
            error = ENOSPC;
            return -1;
        }
        const ssize_t put = inner_.Write(descriptor, buffer, Shortened(count), error);
        if (put > 0) {
            WriteLine("~~ wrote " + std::to_string(position_) + " " + std::to_string(put));
            Moved(put);
        }
        return put;
    }

    void Close(int descriptor) override { inner_.Close(descriptor); }

private:
    bool Chance(double rate) { return rate > 0 && std::uniform_real_distribution<double>(0, 1)(random_) < rate; }

    ssize_t Interrupt(int& error) {
        ++faults_injected;
        error = EINTR;
        return -1;
    }

    std::size_t Shortened(std::size_t count) {
        if (count <= 1 || !Chance(rates_.short_transfer)) return count;
        ++faults_injected;
        return 1 + random_() % (count - 1);
    }

    void Moved(ssize_t bytes) {
        moved_since_seek_ += static_cast<std::uint64_t>(bytes);
        position_ += static_cast<std::uint64_t>(bytes);
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
