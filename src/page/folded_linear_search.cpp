// Knuth-Morris-Pratt over folded bytes: each text byte is looked at once and
// the scan never moves back, so the time is linear in the text whatever the
// pattern and the text hold.

#include "page/folded_pattern.h"

namespace varnex {
namespace {

// fallback[i]: the length of the longest proper prefix of pattern[0..i] that
// is also a suffix of it, compared with letter case folded. After a mismatch
// with i + 1 bytes matched, the scan goes on as if fallback[i] were matched.
class PrefixTable {
public:
    explicit PrefixTable(const FoldedPattern& pattern) {
        fallback_[0] = 0;
        std::uint8_t matched = 0;
        for (std::size_t i = 1; i < pattern.length; ++i) {
            while (matched > 0 && pattern.folded[i] != pattern.folded[matched]) matched = fallback_[matched - 1];
            if (pattern.folded[i] == pattern.folded[matched]) ++matched;
            fallback_[i] = matched;
        }
    }

    std::uint8_t After(std::size_t matched) const { return fallback_[matched - 1]; }

private:
    std::uint8_t fallback_[kLongestFoldedPattern];
};

}  // namespace

std::size_t FindFoldedLinear(const std::uint8_t* text, std::size_t text_length, const FoldedPattern& pattern) {
    if (pattern.length == 0) return 0;
    const PrefixTable table(pattern);
    std::size_t matched = 0;
    for (std::size_t i = 0; i < text_length; ++i) {
        const std::uint8_t byte = text[i];
        while (matched > 0 && !pattern.Matches(matched, byte)) matched = table.After(matched);
        if (pattern.Matches(matched, byte)) ++matched;
        if (matched == pattern.length) return i + 1 - pattern.length;
    }
    return kNotFound;
}

std::size_t FoldedFindLinear(const std::uint8_t* text, std::size_t text_length, const std::uint8_t* pattern,
                             std::size_t pattern_length) {
    if (pattern_length > kLongestFoldedPattern) return kNotFound;
    return FindFoldedLinear(text, text_length, FoldedPattern(pattern, pattern_length));
}

}  // namespace varnex
