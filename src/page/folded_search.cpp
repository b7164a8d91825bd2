#include "page/folded_search.h"


#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace varnex {
namespace {

constexpr std::size_t kLongestPattern = 128;

bool IsLetter(std::uint8_t byte) { return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z'); }

std::uint8_t Fold(std::uint8_t byte) { return (byte >= 'A' && byte <= 'Z') ? byte | 0x20 : byte; }

// A pattern prepared for matching: a text byte x matches pattern byte i when
// (x | mask[i]) == folded[i]. For a letter the mask is 0x20 and the folded
// byte lower case, so x may be either case of it; for any other byte the mask
// is 0 and x must be that byte.
struct FoldedPattern {
    std::uint8_t folded[kLongestPattern];
    std::uint8_t mask[kLongestPattern];
    std::size_t length;

    FoldedPattern(const std::uint8_t* pattern, std::size_t pattern_length) : length(pattern_length) {
        for (std::size_t i = 0; i < length; ++i) {
            folded[i] = Fold(pattern[i]);
            mask[i] = IsLetter(pattern[i]) ? 0x20 : 0x00;
        }
    }

    bool MatchesAt(const std::uint8_t* text) const {
        for (std::size_t i = 0; i < length; ++i) {
            if ((text[i] | mask[i]) != folded[i]) return false;
        }
        return true;
    }
};

// Knuth-Morris-Pratt over folded bytes: the guaranteed linear path, taken
// when candidate checks of the fast scan stop paying for themselves.
std::size_t FindByPrefixTable(const std::uint8_t* text, std::size_t text_length, const FoldedPattern& pattern) {
    std::size_t fallback[kLongestPattern];
    fallback[0] = 0;
    for (std::size_t i = 1, k = 0; i < pattern.length; ++i) {
        while (k > 0 && pattern.folded[i] != pattern.folded[k]) k = fallback[k - 1];
        if (pattern.folded[i] == pattern.folded[k]) ++k;
        fallback[i] = k;
    }
    for (std::size_t i = 0, matched = 0; i < text_length; ++i) {
        const std::uint8_t byte = Fold(text[i]);
        while (matched > 0 && byte != pattern.folded[matched]) matched = fallback[matched - 1];
        if (byte == pattern.folded[matched]) ++matched;
        if (matched == pattern.length) return i + 1 - pattern.length;
    }
    return kNotFound;
}

// Scans candidate positions whose first and last bytes match and checks each
// whole. The checking work is counted; when it exceeds a small multiple of
// the text scanned (patterns like aaa...ab over runs of a), the rest of the
// text goes to the linear search.
class CandidateScan {
public:
    CandidateScan(const std::uint8_t* text, std::size_t text_length, const FoldedPattern& pattern)
        : text_(text), last_start_(text_length - pattern.length), pattern_(pattern) {}

    std::size_t Run() {
        std::size_t position = 0;
#if defined(__SSE2__)
        position = ScanBlocks();
        if (result_ != kPending) return result_;
#endif
        for (; position <= last_start_; ++position) {
            if (TryCandidate(position)) return result_;
        }
        return kNotFound;
    }

private:
    static constexpr std::size_t kPending = kNotFound - 1;

    // True when the scan is decided at `position`: found there, or handed
    // over to the linear search from there on.
    bool TryCandidate(std::size_t position) {
        const std::size_t last = pattern_.length - 1;
        if ((text_[position] | pattern_.mask[0]) != pattern_.folded[0]) return false;
        if ((text_[position + last] | pattern_.mask[last]) != pattern_.folded[last]) return false;
        checked_ += pattern_.length;
        if (pattern_.MatchesAt(text_ + position)) {
            result_ = position;
            return true;
        }
        if (checked_ <= 4 * position + 4096) return false;
        const std::size_t found =
            FindByPrefixTable(text_ + position, last_start_ + pattern_.length - position, pattern_);
        result_ = found == kNotFound ? kNotFound : position + found;
        return true;
    }

#if defined(__SSE2__)
    // Sixteen positions at a time; returns the first position not yet tried.
    std::size_t ScanBlocks() {
        const std::size_t last = pattern_.length - 1;
        const __m128i first_mask = _mm_set1_epi8(static_cast<char>(pattern_.mask[0]));
        const __m128i first_byte = _mm_set1_epi8(static_cast<char>(pattern_.folded[0]));
        const __m128i last_mask = _mm_set1_epi8(static_cast<char>(pattern_.mask[last]));
        const __m128i last_byte = _mm_set1_epi8(static_cast<char>(pattern_.folded[last]));
        std::size_t position = 0;
        for (; last_start_ >= 15 && position <= last_start_ - 15; position += 16) {
            const __m128i starts = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text_ + position));
            const __m128i ends = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text_ + position + last));
            const __m128i first_hits = _mm_cmpeq_epi8(_mm_or_si128(starts, first_mask), first_byte);
            const __m128i last_hits = _mm_cmpeq_epi8(_mm_or_si128(ends, last_mask), last_byte);
            unsigned hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(first_hits, last_hits)));
            while (hits != 0) {
                const std::size_t candidate = position + static_cast<std::size_t>(__builtin_ctz(hits));
                if (TryCandidate(candidate)) return candidate;
                hits &= hits - 1;
            }
        }
        return position;
    }
#endif

    const std::uint8_t* text_;
    std::size_t last_start_;
    const FoldedPattern& pattern_;
    std::size_t checked_ = 0;
    std::size_t result_ = kPending;
};

}  // namespace

bool FoldedEqual(const std::uint8_t* a, const std::uint8_t* b, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (Fold(a[i]) != Fold(b[i])) return false;
    }
    return true;
}

std::size_t FoldedFind(const std::uint8_t* text, std::size_t text_length, const std::uint8_t* pattern,
                       std::size_t pattern_length) {
    if (pattern_length == 0) return 0;
    if (pattern_length > text_length || pattern_length > kLongestPattern) return kNotFound;
    const FoldedPattern folded(pattern, pattern_length);
    return CandidateScan(text, text_length, folded).Run();
}

}  // namespace varnex
