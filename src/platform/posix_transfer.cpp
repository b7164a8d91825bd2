#include "platform/transfer.h"

#include <algorithm>
#include <cerrno>

namespace varnex {
namespace {

// The most one read(2) or write(2) call is given; Linux moves no more at once.
constexpr std::size_t kLargestTransfer = 0x7ffff000;

// read(2) and write(2) may move fewer bytes than asked (a signal, a pipe, the
// per-call limit) without that meaning the end of the file or a failure, so a
// transfer is repeated after short transfers and interruptions until the count
// is reached, the file ends (a read of 0), or a call fails.
template <typename Call>
TransferResult Repeat(std::uint32_t count, Call call) {
    TransferResult result;
    while (result.done < count) {
        ErrorCode error = 0;
        const std::size_t asked = std::min<std::size_t>(count - result.done, kLargestTransfer);
        const CallResult moved = call(result.done, asked, error);
        result.done += static_cast<std::uint32_t>(std::min(moved.moved, asked));
        if (moved.failed && error == EINTR) continue;
        if (moved.failed) {
            result.failed = true;
            result.error = error;
            break;
        }
        if (moved.moved == 0) break;
    }
    return result;
}

}  // namespace

TransferResult ReadPage(FileSystem& files, FileHandle file, std::uint8_t* buffer, std::uint32_t count) {
    return Repeat(count, [&](std::uint32_t done, std::size_t asked, ErrorCode& error) {
        return files.Read(file, buffer + done, asked, error);
    });
}

TransferResult WritePage(FileSystem& files, FileHandle file, const std::uint8_t* buffer, std::uint32_t count) {
    return Repeat(count, [&](std::uint32_t done, std::size_t asked, ErrorCode& error) {
        return files.Write(file, buffer + done, asked, error);
    });
}

}  // namespace varnex
