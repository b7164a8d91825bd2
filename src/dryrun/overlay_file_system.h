#pragma once
// The target file as the dry run sees it: opened for reading only, with every
// write kept in memory over it. Reads see the file's bytes with the writes
// laid over them, so a page written and read again holds what the real run
// would have put there; the file itself is never changed.

#include <cstdint>
#include <map>
#include <vector>

#include "platform/durable_file_system.h"
#include "platform/file_system.h"

namespace varnex {

class OverlayFileSystem final : public FileSystem {
public:
    explicit OverlayFileSystem(FileSystem& reader) : reader_(reader) {}
    // Opens the file through `reader`'s own OpenForReading, so that every
    // call of the run reaches `reader` (a file system a test has replaced).
    explicit OverlayFileSystem(DurableFileSystem& reader) : reader_(reader), durable_(&reader) {}

    // Opens the file for reading only (OpenFileForReading, or the durable
    // reader's OpenForReading).
    FileHandle Open(const char* name, ErrorCode& error) override;
    int Seek(FileHandle file, std::uint64_t offset, ErrorCode& error) override;
    CallResult Read(FileHandle file, void* buffer, std::size_t count, ErrorCode& error) override;
    // Keeps the bytes in memory and reports them all written.
    CallResult Write(FileHandle file, const void* buffer, std::size_t count, ErrorCode& error) override;
    void Close(FileHandle file) override { reader_.Close(file); }

    bool Opened() const { return opened_; }

    // What the run wrote, by the first offset of each stretch: stretches
    // that touch are one, so a stretch may hold several pages.
    const std::map<std::uint64_t, std::vector<std::uint8_t>>& Written() const { return written_; }
    // The most bytes written from one position on, that is the longest page
    // written (0 when nothing was).
    std::uint64_t LongestWrite() const { return longest_write_; }

private:
    // Copies the kept bytes that fall in [position, position + count).
    void LayOver(std::uint8_t* buffer, std::uint64_t position, std::uint64_t count) const;
    void Keep(std::uint64_t position, const std::uint8_t* bytes, std::uint64_t count);

    FileSystem& reader_;
    DurableFileSystem* durable_ = nullptr;
    bool opened_ = false;
    std::uint64_t position_ = 0;
    std::uint64_t written_since_seek_ = 0;
    std::uint64_t longest_write_ = 0;
    // Written stretches by their first offset; they never overlap or touch.
    std::map<std::uint64_t, std::vector<std::uint8_t>> written_;
};

}  // namespace varnex
