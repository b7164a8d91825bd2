#include "command/byte_source.h"
#include "platform/standard_streams.h"

namespace varnex {

int StdinByteSource::Next() {
    if (position_ < filled_) return buffer_[position_++];
    if (ended_) return kEnd;
    const std::int64_t got = ReadStandardInput(buffer_, sizeof buffer_);
    if (got <= 0) {
        // The end of input, or a read error, ends the stream for good.
        ended_ = true;
        return kEnd;
    }
    filled_ = static_cast<std::size_t>(got);
    position_ = 1;
    return buffer_[0];
}

}  // namespace varnex
