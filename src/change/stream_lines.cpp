#include "change/stream_lines.h"

#include <cstdio>

#include "change/byte_difference.h"

namespace varnex {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendHex(std::string& out, std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
    out += text;
}

// What a VER or REP line at `start` costs besides its data: verb, offset,
// blank and line end.
std::uint32_t LineOverhead(std::uint32_t start) {
    std::uint32_t digits = 1;
    while (digits < 8 && (start >> (4 * digits)) != 0) ++digits;
    return 4 + 2 + digits + 2;
}

}  // namespace

std::string PageOffsetText(std::uint64_t offset) {
    std::string text;
    AppendHex(text, offset >> 32 != 0 ? offset >> 32 : offset);
    if (offset >> 32 != 0) {
        char low[16];
        std::snprintf(low, sizeof low, ":%X", static_cast<unsigned>(offset & 0xFFFFFFFFu));
        text += low;
    }
    return text;
}

void AppendDataLines(std::string& out, const char* verb, const std::uint8_t* bytes, std::uint32_t start,
                     std::uint32_t count) {
    for (std::uint32_t done = 0; done < count;) {
        const std::uint32_t line = count - done < kDataBytesPerLine ? count - done : kDataBytesPerLine;
        out += verb;
        out += ' ';
        AppendHex(out, start + done);
        out += ' ';
        // Two digits a byte, written in place: whole pages of data pass here.
        std::size_t at = out.size();
        out.resize(at + 2 * std::size_t{line} + 1);
        for (std::uint32_t i = 0; i < line; ++i) {
            out[at++] = kHexDigits[bytes[done + i] >> 4];
            out[at++] = kHexDigits[bytes[done + i] & 0xF];
        }
        out[at] = '\n';
        done += line;
    }
}

std::vector<Stretch> FindStretches(const ChangedPage& page) {
    std::vector<Stretch> stretches;
    const auto length = static_cast<std::uint32_t>(page.old_bytes.size());
    const std::uint8_t* old_bytes = page.old_bytes.data();
    const std::uint8_t* new_bytes = page.new_bytes.data();
    for (std::uint32_t at = 0; at < length; ++at) {
        at += static_cast<std::uint32_t>(FirstDifference(old_bytes + at, new_bytes + at, length - at));
        if (at == length) break;
        // Joining costs two characters per carried byte on each line that
        // carries it; a line of its own costs its overhead on the same lines.
        if (!stretches.empty() && 2 * (at - stretches.back().end) < LineOverhead(at)) {
            stretches.back().end = at + 1;
        } else {
            stretches.push_back({at, at + 1});
        }
    }
    return stretches;
}

std::uint64_t CountDifferingBytes(const ChangedPage& page) {
    std::uint64_t count = 0;
    for (std::size_t i = 0; i < page.old_bytes.size(); ++i) count += page.old_bytes[i] != page.new_bytes[i];
    return count;
}

}  // namespace varnex
