#pragma once
// One thing the checker reports about a command stream, and the list that
// collects them while a stream is checked.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "check/stream_lines.h"

namespace varnex {

enum class Severity {
    kNote,     // an explanation; does not count as a finding
    kWarning,  // probably not what the author meant
    kError,    // certainly misbehaves
};

struct Finding {
    std::size_t line = 0;    // 1-based line number in the stream
    std::size_t column = 0;  // 1-based byte column in the raw line
    Severity severity = Severity::kWarning;
    std::string message;
    std::string view;                  // the line as the reader sees it
    std::vector<std::string> details;  // what the line will do, and why
};

class FindingList {
public:
    // Adds a finding at the view character `index` of `line` and returns its
    // place in the list, which stays valid until Sorted().
    std::size_t Add(const StreamLine& line, std::size_t index, Severity severity, std::string message,
                    std::vector<std::string> details = {});
    // The same at a byte of the raw line (for bytes the reader drops).
    std::size_t AddAtRawByte(const StreamLine& line, std::size_t raw_index, Severity severity, std::string message,
                             std::vector<std::string> details = {});

    Finding& operator[](std::size_t place) { return findings_[place]; }

    // The findings in line and column order.
    std::vector<Finding> Sorted() &&;

private:
    std::vector<Finding> findings_;
};

// "'WORD'" and then `rest`, for messages that quote what they are about.
std::string Quoted(std::string_view word, std::string_view rest);

// True when `findings` hold a warning or an error.
bool CountsAsFindings(const std::vector<Finding>& findings);

}  // namespace varnex
