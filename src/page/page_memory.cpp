#include "page/page_memory.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <sys/mman.h>

namespace varnex {
namespace {

constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;

// Below this a buffer gains too little from huge pages to be worth asking.
constexpr std::size_t kHugePageThreshold = std::size_t{8} << 20;

// Asks for huge pages on the whole huge pages inside the buffer. Only advice:
// the buffer stays the heap's, and a refusal changes nothing.
void AdviseHugePages([[maybe_unused]] std::uint8_t* buffer, [[maybe_unused]] std::size_t bytes) {
#if defined(MADV_HUGEPAGE)
    if (bytes < kHugePageThreshold) return;
    const auto start = reinterpret_cast<std::uintptr_t>(buffer);
    const std::uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t last = (start + bytes) & ~(kHugePage - 1);
    if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#endif
}

class HeapPageMemory final : public PageMemory {
public:
    std::uint8_t* Allocate(std::uint32_t bytes) override {
        const std::size_t size = std::max<std::size_t>(bytes, 1);
        auto* buffer = static_cast<std::uint8_t*>(std::malloc(size));
        if (buffer != nullptr) AdviseHugePages(buffer, size);
        return buffer;
    }

    void Release(std::uint8_t* buffer) override { std::free(buffer); }
};

}  // namespace

PageMemory& SystemPageMemory() {
    static HeapPageMemory memory;
    return memory;
}

}  // namespace varnex
