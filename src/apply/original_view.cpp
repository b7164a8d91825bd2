#include "apply/original_view.h"

namespace varnex {

int OriginalView::Seek(FileHandle file, std::uint64_t offset, ErrorCode& error) {
    const int result = below_.Seek(file, offset, error);
    if (result == 0) position_ = offset;
    return result;
}

CallResult OriginalView::Read(FileHandle file, void* buffer, std::size_t count, ErrorCode& error) {
    const CallResult got = below_.Read(file, buffer, count, error);
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    for (auto at = original_.lower_bound(position_); at != original_.end() && at->first < position_ + got.moved; ++at) {
        bytes[at->first - position_] = at->second;
    }
    position_ += got.moved;
    return got;
}

}  // namespace varnex
