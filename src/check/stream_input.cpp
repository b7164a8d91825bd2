#include "check/stream_input.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "check/check_options.h"
#include "platform/standard_streams.h"

namespace varnex {
namespace {

constexpr std::size_t kBlock = 65536;
// Stream bytes beyond this much go to the temporary file.
constexpr std::size_t kHeldInMemory = std::size_t{8} << 20;

}  // namespace

StoredStream::StoredStream() : spool_(kHeldInMemory) {}

StoredStream::StoredStream(std::string_view bytes) : spool_(kHeldInMemory) {
    std::string error;
    Add(bytes, error);
}

bool StoredStream::Add(std::string_view bytes, std::string& error) {
    if (bytes.empty()) return true;
    line_feeds_ += static_cast<std::uint64_t>(std::count(bytes.begin(), bytes.end(), '\n'));
    last_byte_ = bytes.back();
    if (spool_.Append(bytes)) return true;
    error = spool_.Error();
    return false;
}

// Standard input goes through the platform layer, which reads it as bytes
// (no line-end translation) wherever a platform would translate.
bool StoredStream::Load(const std::string& name, std::string& error) {
    char block[kBlock];
    if (name == kStandardInputName) {
        for (;;) {
            const std::int64_t got = ReadStandardInput(block, sizeof block);
            if (got == 0) return true;
            if (got < 0) {
                error = "standard input could not be read";
                return false;
            }
            if (!Add(std::string_view(block, static_cast<std::size_t>(got)), error)) return false;
        }
    }
    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (file == nullptr) {
        error = std::strerror(errno);
        return false;
    }
    std::size_t got = 0;
    bool kept = true;
    while (kept && (got = std::fread(block, 1, sizeof block, file)) > 0) kept = Add({block, got}, error);
    const bool failed = std::ferror(file) != 0;
    if (failed) error = std::strerror(errno);
    std::fclose(file);
    return kept && !failed;
}

std::int64_t StoredStream::ReadAt(std::uint64_t position, char* out, std::size_t capacity) const {
    if (position >= spool_.Size()) return 0;
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(capacity, spool_.Size() - position));
    return spool_.ReadAt(position, out, count) ? static_cast<std::int64_t>(count) : -1;
}

int StoredStreamSource::Next() {
    if (next_ == filled_ && !Refill()) return kEnd;
    return static_cast<unsigned char>(block_[next_++]);
}

bool StoredStreamSource::Refill() {
    while (!failed_ && stream_ < streams_.size()) {
        const std::int64_t got = streams_[stream_]->ReadAt(position_, block_, sizeof block_);
        if (got > 0) {
            position_ += static_cast<std::uint64_t>(got);
            next_ = 0;
            filled_ = static_cast<std::size_t>(got);
            return true;
        }
        failed_ = got < 0;
        ++stream_;
        position_ = 0;
    }
    return false;
}

}  // namespace varnex
