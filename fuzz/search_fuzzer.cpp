// Fuzz target: the case-folding search against two other ways to the same
// answer. The input is laid out as
//
//   one byte: the pattern length (0 to 128; larger values wrap)
//   one byte: how many times the text is repeated (1 to 256), so that short
//             inputs make texts long enough for the scan's own stretches
//   the pattern, then the text (the rest)
//
// The fast search, the linear search and (for small enough texts) a plain
// position-by-position comparison must agree, and no search may read outside
// the text, which sits in a buffer of exactly its size.

#include <cstdint>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "page/folded_search.h"

namespace {

using varnex::fuzz::Require;

std::uint8_t Fold(std::uint8_t byte) { return (byte >= 'A' && byte <= 'Z') ? byte | 0x20 : byte; }

std::size_t PlainFind(const std::vector<std::uint8_t>& text, const std::vector<std::uint8_t>& pattern) {
    if (pattern.size() > text.size()) return varnex::kNotFound;
    for (std::size_t position = 0; position + pattern.size() <= text.size(); ++position) {
        std::size_t i = 0;
        while (i < pattern.size() && Fold(text[position + i]) == Fold(pattern[i])) ++i;
        if (i == pattern.size()) return position;
    }
    return varnex::kNotFound;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    varnex::fuzz::InputCursor input(data, size);
    const std::size_t pattern_length = input.Byte() % (varnex::kLongestFoldedPattern + 1);
    const std::size_t repeats = static_cast<std::size_t>(input.Byte()) + 1;
    const std::string_view pattern_bytes = input.Take(pattern_length);
    const std::string_view text_bytes = input.Rest();

    const std::vector<std::uint8_t> pattern(pattern_bytes.begin(), pattern_bytes.end());
    std::vector<std::uint8_t> text;
    text.reserve(text_bytes.size() * repeats);
    for (std::size_t i = 0; i < repeats; ++i) text.insert(text.end(), text_bytes.begin(), text_bytes.end());
    text.shrink_to_fit();  // reads past the text must meet the sanitizer's guard

    const std::size_t fast = varnex::FoldedFind(text.data(), text.size(), pattern.data(), pattern.size());
    const std::size_t linear = varnex::FoldedFindLinear(text.data(), text.size(), pattern.data(), pattern.size());
    Require(fast == linear, "the fast and the linear search disagree");
    if (fast != varnex::kNotFound) {
        Require(fast + pattern.size() <= text.size(), "a match that runs past the text");
        Require(varnex::FoldedEqual(text.data() + fast, pattern.data(), pattern.size()), "a match that is no match");
    }
    if (text.size() * (pattern.size() + 1) <= 4'000'000) {
        Require(fast == PlainFind(text, pattern), "the search disagrees with a plain comparison");
    }
    return 0;
}
