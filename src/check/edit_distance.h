#pragma once
// How far apart two words are, for telling a mistyped verb or keyword from
// an ordinary word.

#include <cstddef>
#include <string_view>
#include <vector>

namespace varnex {

// The number of single-character insertions, deletions, substitutions and
// swaps of neighbours that turn `a` into `b` (each part of the text edited
// once), ignoring the case of ASCII letters.
std::size_t EditDistance(std::string_view a, std::string_view b);

struct NearestName {
    const char* name = nullptr;  // nullptr when no name is near enough
    std::size_t distance = 0;
};

// The name nearest to `word` among `names`, if it lies within 1 edit of a
// name of up to five characters or within 2 of a longer one; words of one or
// two characters are near nothing. The first of equally near names wins.
NearestName FindNearestName(std::string_view word, const std::vector<const char*>& names);

}  // namespace varnex
