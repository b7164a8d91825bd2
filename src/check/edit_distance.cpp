#include "check/edit_distance.h"

#include <algorithm>
#include <cstring>

#include "check/characters.h"

namespace varnex {
namespace {

// Short names allow one slip: at two, ordinary words ("per", "top", "wage")
// would look like verbs.
std::size_t AllowedDistance(std::size_t name_length) { return name_length <= 5 ? 1 : 2; }

}  // namespace

// Optimal string alignment over three rolling rows.
std::size_t EditDistance(std::string_view a, std::string_view b) {
    const std::size_t n = b.size();
    std::vector<std::size_t> before(n + 1), previous(n + 1), current(n + 1);
    for (std::size_t j = 0; j <= n; ++j) previous[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (std::size_t j = 1; j <= n; ++j) {
            const bool same = FoldToUpper(a[i - 1]) == FoldToUpper(b[j - 1]);
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (same ? 0 : 1)});
            const bool swapped = i > 1 && j > 1 && FoldToUpper(a[i - 1]) == FoldToUpper(b[j - 2]) &&
                                 FoldToUpper(a[i - 2]) == FoldToUpper(b[j - 1]);
            if (swapped) current[j] = std::min(current[j], before[j - 2] + 1);
        }
        std::swap(before, previous);
        std::swap(previous, current);
    }
    return previous[n];
}

NearestName FindNearestName(std::string_view word, const std::vector<const char*>& names) {
    NearestName nearest;
    if (word.size() <= 2) return nearest;
    for (const char* name : names) {
        const std::size_t length = std::strlen(name);
        const std::size_t allowed = AllowedDistance(length);
        // Words far longer or shorter than the name cannot be near it.
        if (word.size() > length + allowed || word.size() + allowed < length) continue;
        const std::size_t distance = EditDistance(word, name);
        if (distance > allowed || (nearest.name != nullptr && distance >= nearest.distance)) continue;
        nearest = {name, distance};
    }
    return nearest;
}

}  // namespace varnex
