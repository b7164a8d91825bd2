// Finding a pattern with letter case folded. The scan looks only at places
// where two chosen pattern bytes, the least common ones, both fit, sixteen
// places at a time where SSE2 is there, and checks each such place whole. The
// checking is counted: where it costs more than a small multiple of the text
// passed (text built to look like the pattern almost everywhere), a stretch
// of text goes to the linear prefix-table scan before the fast scan is tried
// again. So the time stays linear in the text for every pattern and text.

#include "page/folded_search.h"

#include <algorithm>
#include <array>
#include <optional>

#include "page/folded_pattern.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace varnex {
namespace {

// Checking may cost this many pattern bytes per text byte passed, plus the
// slack, before a stretch goes to the linear scan; the stretch is this long.
constexpr std::size_t kCheckingPerByte = 4;
constexpr std::size_t kCheckingSlack = 4096;
constexpr std::size_t kLinearStretch = 64 * 1024;

std::uint8_t FoldLetter(std::uint8_t byte) { return (byte >= 'A' && byte <= 'Z') ? byte | 0x20 : byte; }

// How common a byte value is in the files pages come from, higher for more
// common: zero bytes, 0xFF and blanks first, then line ends, letters in the
// order of their frequency in English text, digits, punctuation, control
// bytes, and last the bytes from 0x80 up. Upper- and lower-case letters share
// their rank, since either matches a letter of the pattern.
constexpr std::array<std::uint8_t, 256> MakeByteCommonness() {
    std::array<std::uint8_t, 256> commonness{};
    for (int byte = 0; byte < 256; ++byte) {
        std::uint8_t rank = 20;                                 // 0x80 to 0xFE
        if (byte < 0x20) rank = 60;                             // control bytes
        if (byte > 0x20 && byte < 0x7F) rank = 90;              // punctuation
        if (byte >= '0' && byte <= '9') rank = 110;
        commonness[static_cast<std::size_t>(byte)] = rank;
    }
    const char letters[] = "etaoinshrdlcumwfgypbvkjxqz";
    for (std::size_t i = 0; i + 1 < sizeof letters; ++i) {
        const auto rank = static_cast<std::uint8_t>(200 - 3 * i);
        commonness[static_cast<std::size_t>(letters[i])] = rank;
        commonness[static_cast<std::size_t>(letters[i] - 0x20)] = rank;
    }
    commonness['\t'] = 150;
    commonness['\r'] = 150;
    commonness['\n'] = 160;
    commonness[0x20] = 220;
    commonness[0xFF] = 230;
    commonness[0x00] = 250;
    return commonness;
}

constexpr std::array<std::uint8_t, 256> kByteCommonness = MakeByteCommonness();

// The two pattern positions the scan keys on: the least common byte, and the
// least common byte that differs from it after folding (when every byte is
// the same, the position farthest from the first). A one-byte pattern keys
// twice on its only byte.
struct KeyPositions {
    std::size_t first = 0;
    std::size_t second = 0;

    explicit KeyPositions(const FoldedPattern& pattern) {
        const auto commonness = [&](std::size_t i) { return kByteCommonness[pattern.folded[i]]; };
        for (std::size_t i = 1; i < pattern.length; ++i) {
            if (commonness(i) < commonness(first)) first = i;
        }
        second = first == 0 ? pattern.length - 1 : 0;
        bool found_other = false;
        for (std::size_t i = 0; i < pattern.length; ++i) {
            if (pattern.folded[i] == pattern.folded[first]) continue;
            if (!found_other || commonness(i) < commonness(second)) second = i;
            found_other = true;
        }
    }
};

class FilteredScan {
public:
    FilteredScan(const std::uint8_t* text, std::size_t text_length, const FoldedPattern& pattern)
        : text_(text),
          text_length_(text_length),
          last_start_(text_length - pattern.length),
          pattern_(pattern),
          keys_(pattern) {}

    std::size_t Run() {
        std::size_t position = 0;
        for (;;) {
            switch (ScanFrom(position)) {
                case Outcome::kFound: return position;
                case Outcome::kEnd: return kNotFound;
                case Outcome::kTooCostly: break;
            }
            const std::size_t stretch_end = std::min(text_length_, position + kLinearStretch + pattern_.length - 1);
            const std::size_t found = FindFoldedLinear(text_ + position, stretch_end - position, pattern_);
            if (found != kNotFound) return position + found;
            position += kLinearStretch;
            if (position > last_start_) return kNotFound;
        }
    }

private:
    enum class Outcome { kFound, kEnd, kTooCostly };

    // Tries the places from `position` on. Stops at a match (kFound, with
    // `position` there), at the end of the text (kEnd), or when checking has
    // cost more than allowed (kTooCostly, with `position` at the place where
    // it stopped, which is no match).
    Outcome ScanFrom(std::size_t& position) const {
        const std::size_t scan_start = position;
        std::size_t checked = 0;
        std::size_t next = position;
        // Checks one place; the scan is decided there when it matches or
        // when the checking has grown too costly.
        const auto try_place = [&](std::size_t place) -> std::optional<Outcome> {
            const bool found = Check(place, checked);
            if (!found && checked <= kCheckingPerByte * (place - scan_start) + kCheckingSlack) return std::nullopt;
            position = place;
            return found ? Outcome::kFound : Outcome::kTooCostly;
        };
#if defined(__SSE2__)
        for (; last_start_ >= 15 && next <= last_start_ - 15; next += 16) {
            for (unsigned keyed = KeyedPlaces(next); keyed != 0; keyed &= keyed - 1) {
                if (const auto decided = try_place(next + static_cast<std::size_t>(__builtin_ctz(keyed)))) {
                    return *decided;
                }
            }
        }
#endif
        for (; next <= last_start_; ++next) {
            if (!pattern_.Matches(keys_.first, text_[next + keys_.first]) ||
                !pattern_.Matches(keys_.second, text_[next + keys_.second])) {
                continue;
            }
            if (const auto decided = try_place(next)) return *decided;
        }
        return Outcome::kEnd;
    }

    // Whether the pattern occurs at `place`; adds the bytes compared to
    // `checked`.
    bool Check(std::size_t place, std::size_t& checked) const {
        const std::uint8_t* at = text_ + place;
        std::size_t i = 0;
#if defined(__SSE2__)
        for (; i + 16 <= pattern_.length; i += 16) {
            checked += 16;
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + i));
            const __m128i mask = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pattern_.mask + i));
            const __m128i folded = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pattern_.folded + i));
            if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(bytes, mask), folded)) != 0xFFFF) return false;
        }
#endif
        for (; i < pattern_.length; ++i) {
            ++checked;
            if (!pattern_.Matches(i, at[i])) return false;
        }
        return true;
    }

#if defined(__SSE2__)
    // Bit k set: both key bytes fit at place `position` + k.
    unsigned KeyedPlaces(std::size_t position) const {
        const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text_ + position + keys_.first));
        const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text_ + position + keys_.second));
        const __m128i first_fits = _mm_cmpeq_epi8(_mm_or_si128(first, first_mask_), first_folded_);
        const __m128i second_fits = _mm_cmpeq_epi8(_mm_or_si128(second, second_mask_), second_folded_);
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(first_fits, second_fits)));
    }

    static __m128i Repeated(std::uint8_t byte) { return _mm_set1_epi8(static_cast<char>(byte)); }
#endif

    const std::uint8_t* text_;
    std::size_t text_length_;
    std::size_t last_start_;
    const FoldedPattern& pattern_;
    KeyPositions keys_;
#if defined(__SSE2__)
    __m128i first_mask_ = Repeated(pattern_.mask[keys_.first]);
    __m128i first_folded_ = Repeated(pattern_.folded[keys_.first]);
    __m128i second_mask_ = Repeated(pattern_.mask[keys_.second]);
    __m128i second_folded_ = Repeated(pattern_.folded[keys_.second]);
#endif
};

}  // namespace

bool FoldedEqual(const std::uint8_t* a, const std::uint8_t* b, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (FoldLetter(a[i]) != FoldLetter(b[i])) return false;
    }
    return true;
}

std::size_t FoldedFind(const std::uint8_t* text, std::size_t text_length, const std::uint8_t* pattern,
                       std::size_t pattern_length) {
    if (pattern_length == 0) return 0;
    if (pattern_length > text_length || pattern_length > kLongestFoldedPattern) return kNotFound;
    const FoldedPattern folded(pattern, pattern_length);
    return FilteredScan(text, text_length, folded).Run();
}

}  // namespace varnex
