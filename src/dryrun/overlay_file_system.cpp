#include "dryrun/overlay_file_system.h"

#include <algorithm>
#include <string_view>

namespace varnex {
OverlayFileSystem::OverlayFileSystem(FileSystem& reader, std::size_t kept_in_memory)
    : reader_(reader), kept_(kept_in_memory) {}

OverlayFileSystem::OverlayFileSystem(DurableFileSystem& reader, std::size_t kept_in_memory)
    : reader_(reader), durable_(&reader), kept_(kept_in_memory) {}

FileHandle OverlayFileSystem::Open(const char* name, ErrorCode& error) {
    bool missing = false;
    const FileHandle file = durable_ != nullptr ? durable_->OpenForReading(name, missing, error)
                                                : OpenFileForReading(name, error);
    opened_ = file != kNoFile;
    return file;
}

int OverlayFileSystem::Seek(FileHandle file, std::uint64_t offset, ErrorCode& error) {
    const int result = reader_.Seek(file, offset, error);
    if (result == 0) position_ = offset;
    written_since_seek_ = 0;
    return result;
}

CallResult OverlayFileSystem::Read(FileHandle file, void* buffer, std::size_t count, ErrorCode& error) {
    CallResult got = reader_.Read(file, buffer, count, error);
    if (!LayOver(static_cast<std::uint8_t*>(buffer), position_, got.moved, error)) got.failed = true;
    position_ += got.moved;
    return got;
}

CallResult OverlayFileSystem::Write(FileHandle, const void* buffer, std::size_t count, ErrorCode& error) {
    if (!Keep(position_, static_cast<const std::uint8_t*>(buffer), count, error)) return {0, true};
    position_ += count;
    // A page may take several write calls; it is one page until the next seek.
    written_since_seek_ += count;
    longest_write_ = std::max(longest_write_, written_since_seek_);
    return {count, false};
}

bool OverlayFileSystem::LayOver(std::uint8_t* buffer, std::uint64_t position, std::uint64_t count,
                                ErrorCode& error) const {
    const std::uint64_t end = position + count;
    auto piece = pieces_.upper_bound(position);
    if (piece != pieces_.begin()) --piece;
    for (; piece != pieces_.end() && piece->first < end; ++piece) {
        const std::uint64_t first = std::max(piece->first, position);
        const std::uint64_t last = std::min(piece->first + piece->second.length, end);
        if (first >= last) continue;
        const std::uint64_t kept_at = piece->second.kept_at + (first - piece->first);
        if (!kept_.ReadAt(kept_at, buffer + (first - position), static_cast<std::size_t>(last - first))) {
            error = kept_.ErrorCodeOf();
            return false;
        }
    }
    return true;
}

// Bytes over offsets already written overwrite the kept bytes of the pieces
// there; only the offsets between them, written for the first time, are
// kept anew as pieces of their own.
bool OverlayFileSystem::Keep(std::uint64_t position, const std::uint8_t* bytes, std::uint64_t count,
                             ErrorCode& error) {
    const std::uint64_t end = position + count;
    auto piece = pieces_.upper_bound(position);
    if (piece != pieces_.begin() && std::prev(piece)->first + std::prev(piece)->second.length > position) --piece;
    std::uint64_t next = position;  // the first offset not yet kept
    for (; piece != pieces_.end() && piece->first < end; ++piece) {
        if (piece->first > next && !KeepNew(next, bytes + (next - position), piece->first - next, error)) return false;
        const std::uint64_t first = std::max(piece->first, position);
        const std::uint64_t last = std::min(piece->first + piece->second.length, end);
        const std::string_view over(reinterpret_cast<const char*>(bytes + (first - position)),
                                    static_cast<std::size_t>(last - first));
        if (!kept_.WriteAt(piece->second.kept_at + (first - piece->first), over)) {
            error = kept_.ErrorCodeOf();
            return false;
        }
        next = last;
    }
    return next >= end || KeepNew(next, bytes + (next - position), end - next, error);
}

bool OverlayFileSystem::KeepNew(std::uint64_t position, const std::uint8_t* bytes, std::uint64_t count,
                                ErrorCode& error) {
    const std::uint64_t kept_at = kept_.Size();
    if (!kept_.Append(std::string_view(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(count)))) {
        error = kept_.ErrorCodeOf();
        return false;
    }
    pieces_.emplace(position, Piece{count, kept_at});
    return true;
}

std::vector<WrittenStretch> OverlayFileSystem::WrittenStretches() const {
    std::vector<WrittenStretch> stretches;
    for (const auto& [first, piece] : pieces_) {
        if (!stretches.empty() && stretches.back().first + stretches.back().length == first) {
            stretches.back().length += piece.length;
        } else {
            stretches.push_back({first, piece.length});
        }
    }
    return stretches;
}

bool OverlayFileSystem::WasWritten(std::uint64_t offset) const {
    auto piece = pieces_.upper_bound(offset);
    if (piece == pieces_.begin()) return false;
    --piece;
    return offset - piece->first < piece->second.length;
}

bool OverlayFileSystem::ReadWritten(std::uint64_t position, std::uint8_t* buffer, std::uint64_t count,
                                    ErrorCode& error) const {
    return LayOver(buffer, position, count, error);
}

}  // namespace varnex
