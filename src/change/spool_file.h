#pragma once
// Bytes held until they are copied out whole or read back: kept in memory
// while they are few, moved to a temporary file once they grow, so that
// memory stays bounded however many there are.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace varnex {

class SpoolFile {
public:
    // Bytes beyond `held_in_memory` go to the temporary file in one write.
    explicit SpoolFile(std::size_t held_in_memory = std::size_t{1} << 20) : held_in_memory_(held_in_memory) {}
    ~SpoolFile();
    SpoolFile(const SpoolFile&) = delete;
    SpoolFile& operator=(const SpoolFile&) = delete;

    // Adds bytes at the end. false: the temporary file could not be made or
    // written (Error() says which, ErrorCodeOf() the system's code); the
    // bytes are then incomplete.
    bool Append(std::string_view bytes);

    // Writes all bytes held to `output`, in large blocks, from the start.
    // false: reading the spool or writing `output` failed.
    bool CopyTo(std::FILE* output);

    // How many bytes have been appended.
    std::uint64_t Size() const { return spilled_ + pending_.size(); }

    // Copies `count` bytes from `position` on, which lie within Size(), to
    // `out`. false, as Append fails, when the temporary file cannot be read.
    bool ReadAt(std::uint64_t position, void* out, std::size_t count);

    // Overwrites the bytes at [position, position + bytes.size()), which lie
    // within Size(). false, as Append fails, when the temporary file cannot
    // be written.
    bool WriteAt(std::uint64_t position, std::string_view bytes);

    const char* Error() const { return error_; }
    ErrorCode ErrorCodeOf() const { return error_code_; }

private:
    bool Spill();
    bool WriteToFile(std::string_view bytes);
    bool Fail(const char* error);

    std::size_t held_in_memory_;
    std::string pending_;
    std::FILE* file_ = nullptr;
    std::uint64_t spilled_ = 0;
    const char* error_ = "";
    ErrorCode error_code_ = 0;
};

}  // namespace varnex
