#include "dryrun/overlay_file_system.h"

#include <algorithm>
#include <cstring>

namespace varnex {

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
    const CallResult got = reader_.Read(file, buffer, count, error);
    LayOver(static_cast<std::uint8_t*>(buffer), position_, got.moved);
    position_ += got.moved;
    return got;
}

CallResult OverlayFileSystem::Write(FileHandle, const void* buffer, std::size_t count, ErrorCode&) {
    Keep(position_, static_cast<const std::uint8_t*>(buffer), count);
    position_ += count;
    // A page may take several write calls; it is one page until the next seek.
    written_since_seek_ += count;
    longest_write_ = std::max(longest_write_, written_since_seek_);
    return {count, false};
}

void OverlayFileSystem::LayOver(std::uint8_t* buffer, std::uint64_t position, std::uint64_t count) const {
    const std::uint64_t end = position + count;
    auto stretch = written_.upper_bound(position);
    if (stretch != written_.begin()) --stretch;
    for (; stretch != written_.end() && stretch->first < end; ++stretch) {
        const std::uint64_t first = std::max(stretch->first, position);
        const std::uint64_t last = std::min(stretch->first + stretch->second.size(), end);
        if (first >= last) continue;
        std::memcpy(buffer + (first - position), stretch->second.data() + (first - stretch->first), last - first);
    }
}

// The new bytes and every stretch they overlap or touch become one stretch.
void OverlayFileSystem::Keep(std::uint64_t position, const std::uint8_t* bytes, std::uint64_t count) {
    if (count == 0) return;
    std::uint64_t first = position;
    std::uint64_t last = position + count;
    auto stretch = written_.upper_bound(position);
    if (stretch != written_.begin() && std::prev(stretch)->first + std::prev(stretch)->second.size() >= position) {
        --stretch;
    }
    auto end = stretch;
    for (; end != written_.end() && end->first <= last; ++end) {
        first = std::min(first, end->first);
        last = std::max(last, end->first + end->second.size());
    }
    std::vector<std::uint8_t> joined(last - first);
    for (auto old = stretch; old != end; ++old) {
        std::memcpy(joined.data() + (old->first - first), old->second.data(), old->second.size());
    }
    std::memcpy(joined.data() + (position - first), bytes, count);
    written_.erase(stretch, end);
    written_.emplace(first, std::move(joined));
}

}  // namespace varnex
