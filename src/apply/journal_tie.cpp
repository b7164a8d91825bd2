#include "apply/journal_tie.h"

#include <cstdlib>

namespace varnex {
namespace {

constexpr const char* kFile = "file: ";
constexpr const char* kIdentity = "identity: ";
constexpr const char* kSize = "size: ";
constexpr const char* kStream = "stream: ";
constexpr const char* kStreamHash = "stream hash: ";
constexpr const char* kPageSize = "page size: ";

bool Starts(const std::string& text, const char* key, std::string& rest) {
    const std::string prefix = key;
    if (text.compare(0, prefix.size(), prefix) != 0) return false;
    rest = text.substr(prefix.size());
    return true;
}

}  // namespace

std::vector<std::string> TieLines(const JournalTie& tie) {
    std::vector<std::string> lines = {kJournalFirstLine, kFile + tie.file_name, kIdentity + tie.identity,
                                      kSize + std::to_string(tie.size)};
    for (const std::string& stream : tie.streams) lines.push_back(kStream + stream);
    lines.push_back(kStreamHash + tie.stream_hash);
    lines.push_back(kPageSize + std::to_string(tie.page_size));
    lines.push_back("The undo stream of a varnex-apply run: varnex FILE < JOURNAL takes the run back.");
    return lines;
}

bool TakeTieLine(const std::string& text, JournalTie& tie) {
    std::string rest;
    if (Starts(text, kFile, rest)) tie.file_name = rest;
    else if (Starts(text, kIdentity, rest)) tie.identity = rest;
    else if (Starts(text, kSize, rest)) tie.size = std::strtoull(rest.c_str(), nullptr, 10);
    else if (Starts(text, kStreamHash, rest)) tie.stream_hash = rest;
    else if (Starts(text, kStream, rest)) tie.streams.push_back(rest);
    else if (Starts(text, kPageSize, rest)) tie.page_size = static_cast<std::uint32_t>(std::strtoul(rest.c_str(), nullptr, 10));
    else return false;
    return true;
}

bool SameFile(const JournalTie& a, const JournalTie& b) { return a.identity == b.identity && a.size == b.size; }

}  // namespace varnex
