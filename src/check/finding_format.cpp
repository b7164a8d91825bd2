#include "check/finding_format.h"

namespace varnex {
namespace {

constexpr std::string_view kIndent = "    ";

std::string_view SeverityWord(Severity severity) {
    switch (severity) {
        case Severity::kNote:
            return "note";
        case Severity::kWarning:
            return "warning";
        case Severity::kError:
            return "error";
    }
    return "note";
}

}  // namespace

std::string FormatFinding(std::string_view stream_name, const Finding& finding) {
    std::string text(stream_name);
    text += ':' + std::to_string(finding.line) + ':' + std::to_string(finding.column) + ": ";
    text += SeverityWord(finding.severity);
    text += ": " + finding.message + '\n';
    text += kIndent;
    text += finding.view + '\n';
    for (const std::string& detail : finding.details) {
        text += kIndent;
        text += detail + '\n';
    }
    return text;
}

}  // namespace varnex
