#include <cerrno>
#include <unistd.h>

#include "command/byte_source.h"

namespace varnex {

int StdinByteSource::Next() {
    if (position_ < filled_) return buffer_[position_++];
    if (ended_) return kEnd;
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, buffer_, sizeof buffer_);
        if (got > 0) {
            filled_ = static_cast<std::size_t>(got);
            position_ = 1;
            return buffer_[0];
        }
        if (got < 0 && errno == EINTR) continue;
        // The end of input, or a read error, ends the stream for good.
        ended_ = true;
        return kEnd;
    }
}

}  // namespace varnex
