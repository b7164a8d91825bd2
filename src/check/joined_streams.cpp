#include "check/joined_streams.h"

namespace varnex {

// Stream k+1 begins on the joined line after the last line feed of stream k:
// one line later for each line feed, on the same line when stream k's last
// line has none.
JoinedStreams::JoinedStreams(const std::vector<NamedStream>& streams) {
    std::size_t first_line = 1;
    std::size_t open_line_of = streams.size();  // a stream whose last line is still open
    for (std::size_t k = 0; k < streams.size(); ++k) {
        const StoredStream& stream = *streams[k].stream;
        streams_.push_back(&stream);
        if (stream.Size() == 0) {
            spans_.push_back({first_line, 0});
            continue;
        }
        if (open_line_of < streams.size()) run_on_.push_back(open_line_of);
        const auto feeds = static_cast<std::size_t>(stream.LineFeeds());
        const bool open = !stream.EndsWithLineFeed();
        spans_.push_back({first_line, feeds + (open ? 1 : 0)});
        first_line += feeds;
        open_line_of = open ? k : streams.size();
    }
}

JoinedStreams::Place JoinedStreams::Trace(std::size_t joined_line) const {
    for (std::size_t k = 0; k < spans_.size(); ++k) {
        const Span& span = spans_[k];
        if (joined_line >= span.first_line && joined_line < span.first_line + span.lines)
            return {k, joined_line - span.first_line + 1};
    }
    return {spans_.empty() ? 0 : spans_.size() - 1, joined_line};
}

}  // namespace varnex
