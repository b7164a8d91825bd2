#pragma once
// The target file as the dry run sees it: opened for reading only, with every
// write kept aside over it. Reads see the file's bytes with the writes laid
// over them, so a page written and read again holds what the real run would
// have put there; the file itself is never changed.
//
// The bytes written are kept in memory while they are few and in a temporary
// file once they grow, so memory stays bounded however much the run writes;
// only a small index of where each written piece lies stays in memory.

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "change/spool_file.h"
#include "platform/durable_file_system.h"
#include "platform/file_system.h"

namespace varnex {

// A run of bytes the dry run wrote: pieces that touch or overlap are one, so
// a stretch may hold several pages.
struct WrittenStretch {
    std::uint64_t first = 0;
    std::uint64_t length = 0;
};

class OverlayFileSystem final : public FileSystem {
public:
    static constexpr std::size_t kKeptInMemory = std::size_t{16} << 20;

    // Written bytes past `kept_in_memory` go to a temporary file.
    explicit OverlayFileSystem(FileSystem& reader, std::size_t kept_in_memory = kKeptInMemory);
    // Opens the file through `reader`'s own OpenForReading, so that every
    // call of the run reaches `reader` (a file system a test has replaced).
    explicit OverlayFileSystem(DurableFileSystem& reader, std::size_t kept_in_memory = kKeptInMemory);

    // Opens the file for reading only (OpenFileForReading, or the durable
    // reader's OpenForReading).
    FileHandle Open(const char* name, ErrorCode& error) override;
    int Seek(FileHandle file, std::uint64_t offset, ErrorCode& error) override;
    // A read fails, with the temporary file's error, when the kept bytes to
    // lay over it cannot be read back.
    CallResult Read(FileHandle file, void* buffer, std::size_t count, ErrorCode& error) override;
    // Keeps the bytes and reports them all written, or fails with nothing
    // written when the temporary file cannot take them.
    CallResult Write(FileHandle file, const void* buffer, std::size_t count, ErrorCode& error) override;
    void Close(FileHandle file) override { reader_.Close(file); }

    bool Opened() const { return opened_; }

    // What the run wrote, in increasing offset order; stretches never touch.
    std::vector<WrittenStretch> WrittenStretches() const;
    // Copies the bytes the run left at [position, position + count), all of
    // which it wrote, to `buffer`. false, with the system's code in `error`,
    // when the temporary file cannot be read back.
    bool ReadWritten(std::uint64_t position, std::uint8_t* buffer, std::uint64_t count, ErrorCode& error) const;
    // Whether the run wrote the byte at `offset`.
    bool WasWritten(std::uint64_t offset) const;
    // The most bytes written from one position on, that is the longest page
    // written (0 when nothing was).
    std::uint64_t LongestWrite() const { return longest_write_; }

private:
    // Where the bytes of one written piece are kept.
    struct Piece {
        std::uint64_t length = 0;
        std::uint64_t kept_at = 0;  // position in kept_
    };

    // Copies the kept bytes that fall in [position, position + count).
    bool LayOver(std::uint8_t* buffer, std::uint64_t position, std::uint64_t count, ErrorCode& error) const;
    bool Keep(std::uint64_t position, const std::uint8_t* bytes, std::uint64_t count, ErrorCode& error);
    bool KeepNew(std::uint64_t position, const std::uint8_t* bytes, std::uint64_t count, ErrorCode& error);

    FileSystem& reader_;
    DurableFileSystem* durable_ = nullptr;
    bool opened_ = false;
    std::uint64_t position_ = 0;
    std::uint64_t written_since_seek_ = 0;
    std::uint64_t longest_write_ = 0;
    // The newest byte written at each offset, once: a later write over the
    // same offsets overwrites them where they are kept, so the spool never
    // holds more than the bytes of the file the run wrote.
    mutable SpoolFile kept_;
    // The pieces by their first offset; they never overlap.
    std::map<std::uint64_t, Piece> pieces_;
};

}  // namespace varnex
