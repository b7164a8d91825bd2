#pragma once
// A command stream, from a file or from standard input, kept as the bytes
// varnex would read so that it can be read again from its start: the lint
// and the dry run each read it once more. The bytes are held in memory while
// they are few and in a temporary file once they grow, so memory stays
// bounded however long the stream is.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "change/spool_file.h"
#include "command/byte_source.h"

namespace varnex {

class StoredStream {
public:
    StoredStream();
    // A stream whose bytes are in hand already.
    explicit StoredStream(std::string_view bytes);
    StoredStream(const StoredStream&) = delete;
    StoredStream& operator=(const StoredStream&) = delete;

    // Reads the file named `name` ("-" for standard input) to its end.
    // Returns false and says why in `error` when it cannot be read or kept.
    bool Load(const std::string& name, std::string& error);

    std::uint64_t Size() const { return spool_.Size(); }
    std::uint64_t LineFeeds() const { return line_feeds_; }
    bool EndsWithLineFeed() const { return last_byte_ == '\n'; }

    // Copies up to `capacity` bytes from `position` on to `out`: the count,
    // 0 at the end, -1 when the kept bytes cannot be read back.
    std::int64_t ReadAt(std::uint64_t position, char* out, std::size_t capacity) const;

private:
    bool Add(std::string_view bytes, std::string& error);

    mutable SpoolFile spool_;
    std::uint64_t line_feeds_ = 0;
    char last_byte_ = '\0';
};

// Stored streams read one after the other from their starts, as `cat` would
// pass them on, in large blocks handed out byte by byte.
class StoredStreamSource final : public ByteSource {
public:
    explicit StoredStreamSource(std::vector<const StoredStream*> streams) : streams_(std::move(streams)) {}
    int Next() override;

    // Whether kept bytes could not be read back: the source then ended early.
    bool Failed() const { return failed_; }

private:
    bool Refill();

    std::vector<const StoredStream*> streams_;
    std::size_t stream_ = 0;
    std::uint64_t position_ = 0;
    char block_[65536];
    std::size_t next_ = 0;
    std::size_t filled_ = 0;
    bool failed_ = false;
};

}  // namespace varnex
