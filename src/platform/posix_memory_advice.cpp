#include "platform/memory_advice.h"

#include <cstdint>
#include <sys/mman.h>

namespace varnex {
namespace {

constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;

// Below this a buffer gains too little from huge pages to be worth asking.
constexpr std::size_t kHugePageThreshold = std::size_t{8} << 20;

}  // namespace

// Transparent huge pages are asked for on the whole huge pages inside the
// buffer; the buffer stays the heap's.
void AdviseLargeBuffer([[maybe_unused]] void* buffer, [[maybe_unused]] std::size_t bytes) {
#if defined(MADV_HUGEPAGE)
    if (bytes < kHugePageThreshold) return;
    const auto start = reinterpret_cast<std::uintptr_t>(buffer);
    const std::uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t last = (start + bytes) & ~(kHugePage - 1);
    if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#endif
}

}  // namespace varnex
