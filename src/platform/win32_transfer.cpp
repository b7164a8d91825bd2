#include "platform/transfer.h"

#include <algorithm>

namespace varnex {
namespace {

// On Windows one synchronous ReadFile or WriteFile call of a disk file moves
// every byte asked for, or stops at the end of the file, or fails: it is not
// cut short by signals or per-call limits. So a page takes exactly one call,
// and a write that reports success with fewer bytes is left as it is, to be
// reported as a partial write. A failed call keeps the count it reported.
template <typename Call>
TransferResult Once(std::uint32_t count, Call call) {
    TransferResult result;
    ErrorCode error = 0;
    const CallResult moved = call(error);
    result.done = static_cast<std::uint32_t>(std::min<std::uint64_t>(moved.moved, count));
    result.failed = moved.failed;
    if (moved.failed) result.error = error;
    return result;
}

}  // namespace

TransferResult ReadPage(FileSystem& files, FileHandle file, std::uint8_t* buffer, std::uint32_t count) {
    return Once(count, [&](ErrorCode& error) { return files.Read(file, buffer, count, error); });
}

TransferResult WritePage(FileSystem& files, FileHandle file, const std::uint8_t* buffer, std::uint32_t count) {
    return Once(count, [&](ErrorCode& error) { return files.Write(file, buffer, count, error); });
}

}  // namespace varnex
