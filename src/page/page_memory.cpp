#include "page/page_memory.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>

#include "platform/memory_advice.h"

namespace varnex {
namespace {

class HeapPageMemory final : public PageMemory {
public:
    std::uint8_t* Allocate(std::uint32_t bytes) override {
        const std::size_t size = std::max<std::size_t>(bytes, 1);
        auto* buffer = static_cast<std::uint8_t*>(std::malloc(size));
        if (buffer != nullptr) AdviseLargeBuffer(buffer, size);
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
