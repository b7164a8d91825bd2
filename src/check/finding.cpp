#include "check/finding.h"

#include <algorithm>
#include <utility>

namespace varnex {

std::size_t FindingList::Add(const StreamLine& line, std::size_t index, Severity severity, std::string message,
                             std::vector<std::string> details) {
    return AddAtRawByte(line, RawColumn(line, index) - 1, severity, std::move(message), std::move(details));
}

std::size_t FindingList::AddAtRawByte(const StreamLine& line, std::size_t raw_index, Severity severity,
                                      std::string message, std::vector<std::string> details) {
    findings_.push_back({line.number, raw_index + 1, severity, std::move(message), line.view, std::move(details)});
    return findings_.size() - 1;
}

std::vector<Finding> FindingList::Sorted() && {
    std::stable_sort(findings_.begin(), findings_.end(), [](const Finding& a, const Finding& b) {
        return a.line != b.line ? a.line < b.line : a.column < b.column;
    });
    return std::move(findings_);
}

std::string Quoted(std::string_view word, std::string_view rest) {
    std::string text = "'";
    text += word;
    text += '\'';
    text += rest;
    return text;
}

bool CountsAsFindings(const std::vector<Finding>& findings) {
    return std::any_of(findings.begin(), findings.end(),
                       [](const Finding& f) { return f.severity != Severity::kNote; });
}

}  // namespace varnex
