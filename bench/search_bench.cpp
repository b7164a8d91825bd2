// The case-folding page search over a 64 MiB page, against glibc's memmem
// (case-sensitive, so the limit that the folding search is held to).
//
// Typical: a page of random bytes and a page of lower-case text, the pattern
// (1 to 128 bytes, letters and digits) placed once at the very end in the
// other letter case and nowhere before it, so the whole page is searched.
// Worst case: a page of 'a' and the patterns a...ab and ba...a, which defeat
// simple skip rules from either end, and a...aba, whose first and last bytes
// match everywhere so that every position is a candidate.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string.h>
#include <utility>
#include <vector>

#include "page/folded_search.h"

namespace {

constexpr std::size_t kPageSize = 64u << 20;

std::uint8_t Fold(std::uint8_t byte) { return (byte >= 'A' && byte <= 'Z') ? byte + 32 : byte; }

std::uint8_t SwapCase(std::uint8_t byte) {
    if (byte >= 'A' && byte <= 'Z') return byte + 32;
    if (byte >= 'a' && byte <= 'z') return byte - 32;
    return byte;
}

class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return state_;
    }

private:
    std::uint64_t state_;
};

enum class Kind { kRandomBytes, kText, kAllA };

std::vector<std::uint8_t> MakeBase(Kind kind) {
    std::vector<std::uint8_t> page(kPageSize);
    Random random(0x5eed5eed5eedULL);
    switch (kind) {
        case Kind::kRandomBytes:
            for (std::size_t i = 0; i < page.size(); i += 8) {
                const std::uint64_t word = random.Next();
                std::memcpy(page.data() + i, &word, 8);
            }
            break;
        case Kind::kText:
            // Lower-case words of 1 to 8 letters with blanks and line feeds.
            for (std::size_t i = 0; i < page.size();) {
                const std::uint64_t r = random.Next();
                std::size_t length = 1 + (r & 7);
                for (std::size_t k = 0; k < length && i < page.size(); ++k) {
                    page[i++] = static_cast<std::uint8_t>('a' + ((r >> (8 + 5 * k)) % 26));
                }
                if (i < page.size()) page[i++] = ((r >> 60) == 0) ? '\n' : ' ';
            }
            break;
        case Kind::kAllA:
            std::memset(page.data(), 'a', page.size());
            break;
    }
    return page;
}

const std::vector<std::uint8_t>& Base(Kind kind) {
    static std::map<Kind, std::vector<std::uint8_t>> bases;
    auto found = bases.find(kind);
    if (found == bases.end()) found = bases.emplace(kind, MakeBase(kind)).first;
    return found->second;
}

// Letters and digits in mixed case.
std::vector<std::uint8_t> TypicalPattern(std::size_t length, std::uint64_t seed) {
    static const char kCharacters[] = "AbCdEfGhIjKlMnOpQrStUvWxYz0123456789aBcDeFgHiJkLmNoPqRsTuVwXyZ";
    Random random(seed);
    std::vector<std::uint8_t> pattern(length);
    for (auto& byte : pattern) byte = static_cast<std::uint8_t>(kCharacters[random.Next() % (sizeof kCharacters - 1)]);
    return pattern;
}

bool PlainFoldedEqual(const std::uint8_t* a, const std::uint8_t* b, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        if (Fold(a[i]) != Fold(b[i])) return false;
    }
    return true;
}

// A page from `base` holding `pattern` (in the other letter case) only at
// its end: every earlier folded occurrence has one byte changed to a blank
// (which no typical pattern holds), found by a plain scan.
std::vector<std::uint8_t> PageWithPatternAtEnd(Kind kind, const std::vector<std::uint8_t>& pattern) {
    std::vector<std::uint8_t> page = Base(kind);
    const std::size_t length = pattern.size();
    const std::size_t last = page.size() - length;
    const std::uint8_t first = Fold(pattern[0]);
    for (std::size_t p = 0; p < last; ++p) {
        if (Fold(page[p]) == first && PlainFoldedEqual(page.data() + p, pattern.data(), length)) {
            page[p + length - 1] = ' ';
        }
    }
    for (std::size_t i = 0; i < length; ++i) page[last + i] = SwapCase(pattern[i]);
    return page;
}

struct SearchCase {
    std::vector<std::uint8_t> page;
    std::vector<std::uint8_t> pattern;       // as asked (folded search)
    std::vector<std::uint8_t> exact_pattern;  // as it stands in the page (memmem)
    std::size_t expected = 0;                 // where it is, or kNotFound
};

const SearchCase& Typical(Kind kind, std::size_t length) {
    static std::map<std::pair<Kind, std::size_t>, SearchCase> cases;
    auto found = cases.find({kind, length});
    if (found != cases.end()) return found->second;
    SearchCase search_case;
    search_case.pattern = TypicalPattern(length, 1000 + length);
    search_case.page = PageWithPatternAtEnd(kind, search_case.pattern);
    search_case.expected = kPageSize - length;
    search_case.exact_pattern.assign(search_case.page.end() - static_cast<std::ptrdiff_t>(length),
                                     search_case.page.end());
    return cases.emplace(std::make_pair(kind, length), std::move(search_case)).first->second;
}

// A pattern of 'a' with one 'b' at `b_at` (counted from the start, or from
// the end when negative), over a page of 'a': never found.
const SearchCase& Worst(int b_at, std::size_t length) {
    static std::map<std::pair<int, std::size_t>, SearchCase> cases;
    auto found = cases.find({b_at, length});
    if (found != cases.end()) return found->second;
    SearchCase search_case;
    search_case.page = Base(Kind::kAllA);
    search_case.pattern.assign(length, 'a');
    const std::ptrdiff_t at = b_at >= 0 ? b_at : static_cast<std::ptrdiff_t>(length) + b_at;
    search_case.pattern[static_cast<std::size_t>(at)] = 'b';
    search_case.exact_pattern = search_case.pattern;
    search_case.expected = varnex::kNotFound;
    return cases.emplace(std::make_pair(b_at, length), std::move(search_case)).first->second;
}

void RunFolded(benchmark::State& state, const SearchCase& search_case) {
    const std::uint8_t* text = search_case.page.data();
    const std::size_t size = search_case.page.size();
    std::size_t position = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(text);
        position = varnex::FoldedFind(text, size, search_case.pattern.data(), search_case.pattern.size());
        benchmark::DoNotOptimize(position);
    }
    if (position != search_case.expected) state.SkipWithError("FoldedFind gave a wrong position");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void RunMemmem(benchmark::State& state, const SearchCase& search_case) {
    const std::uint8_t* text = search_case.page.data();
    const std::size_t size = search_case.page.size();
    const void* hit = nullptr;
    for (auto _ : state) {
        benchmark::DoNotOptimize(text);
        hit = ::memmem(text, size, search_case.exact_pattern.data(), search_case.exact_pattern.size());
        benchmark::DoNotOptimize(hit);
    }
    const std::size_t position =
        hit == nullptr ? varnex::kNotFound : static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - text);
    if (position != search_case.expected) state.SkipWithError("memmem gave a wrong position");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

std::size_t Length(const benchmark::State& state) { return static_cast<std::size_t>(state.range(0)); }

void FoldedRandomBytes(benchmark::State& state) { RunFolded(state, Typical(Kind::kRandomBytes, Length(state))); }
void FoldedText(benchmark::State& state) { RunFolded(state, Typical(Kind::kText, Length(state))); }
void FoldedWorstALast(benchmark::State& state) { RunFolded(state, Worst(-1, Length(state))); }
void FoldedWorstBFirst(benchmark::State& state) { RunFolded(state, Worst(0, Length(state))); }
void FoldedWorstBSecondLast(benchmark::State& state) { RunFolded(state, Worst(-2, Length(state))); }
void MemmemRandomBytes(benchmark::State& state) { RunMemmem(state, Typical(Kind::kRandomBytes, Length(state))); }
void MemmemText(benchmark::State& state) { RunMemmem(state, Typical(Kind::kText, Length(state))); }
void MemmemWorstALast(benchmark::State& state) { RunMemmem(state, Worst(-1, Length(state))); }
void MemmemWorstBFirst(benchmark::State& state) { RunMemmem(state, Worst(0, Length(state))); }
void MemmemWorstBSecondLast(benchmark::State& state) { RunMemmem(state, Worst(-2, Length(state))); }

#define VARNEX_SEARCH_LENGTHS(name, first) \
    BENCHMARK(name)->RangeMultiplier(2)->Range(first, 128)->Unit(benchmark::kMillisecond)

VARNEX_SEARCH_LENGTHS(FoldedRandomBytes, 1);
VARNEX_SEARCH_LENGTHS(MemmemRandomBytes, 1);
VARNEX_SEARCH_LENGTHS(FoldedText, 1);
VARNEX_SEARCH_LENGTHS(MemmemText, 1);
VARNEX_SEARCH_LENGTHS(FoldedWorstALast, 2);
VARNEX_SEARCH_LENGTHS(MemmemWorstALast, 2);
VARNEX_SEARCH_LENGTHS(FoldedWorstBFirst, 2);
VARNEX_SEARCH_LENGTHS(MemmemWorstBFirst, 2);
VARNEX_SEARCH_LENGTHS(FoldedWorstBSecondLast, 4);
VARNEX_SEARCH_LENGTHS(MemmemWorstBSecondLast, 4);

}  // namespace
