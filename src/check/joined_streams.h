#pragma once
// Streams given together for a dry run, as one: their bytes joined as `cat`
// would pass them on, and each line of the joined stream traced back to the
// stream and the line it begins in.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "check/stream_input.h"

namespace varnex {

struct NamedStream {
    std::string label;  // the name findings give it
    std::unique_ptr<StoredStream> stream;
};

class JoinedStreams {
public:
    explicit JoinedStreams(const std::vector<NamedStream>& streams);

    // The joined bytes from their start, read anew from the streams.
    StoredStreamSource Source() const { return StoredStreamSource(streams_); }

    struct Place {
        std::size_t stream = 0;  // index in the streams given
        std::size_t line = 0;    // 1-based line number in that stream
    };
    // Where the 1-based line `joined_line` of the joined stream begins. A
    // stream whose last line has no line feed shares that line with the
    // first line of the next stream; it is traced to the earlier one.
    Place Trace(std::size_t joined_line) const;

    // The streams whose last line has no line feed and runs on into the
    // first line of a later stream.
    const std::vector<std::size_t>& RunOn() const { return run_on_; }

private:
    struct Span {
        std::size_t first_line = 0;  // in the joined stream
        std::size_t lines = 0;
    };
    std::vector<const StoredStream*> streams_;
    std::vector<Span> spans_;
    std::vector<std::size_t> run_on_;
};

}  // namespace varnex
