#pragma once
// The page stack: ten slots, each able to hold one page of the file with its
// offset, sizes and state. Slot 0 is the base slot and lives for the whole run.

#include <cstdint>

#include "page/page_memory.h"
#include "page/page_state.h"

namespace varnex {

struct PageSlot {
    std::uint32_t capacity = 0;       // bytes allocated for the buffer
    std::uint32_t page_size = 0;      // bytes a page read asks for; never above capacity
    std::uint32_t loaded_length = 0;  // bytes held (meaningful unless kNoPage)
    std::uint32_t offset_high = 0;
    std::uint32_t offset_low = 0;
    std::uint8_t* buffer = nullptr;   // owned; never zero-filled
    PageState state = PageState::kNoPage;
};

class PageStack {
public:
    static constexpr std::uint32_t kSlotCount = 10;

    explicit PageStack(PageMemory& memory) : memory_(memory) {}
    PageStack(const PageStack&) = delete;
    PageStack& operator=(const PageStack&) = delete;
    ~PageStack();

    // Sets up the base slot, in NoPage, with a buffer of `page_size` bytes.
    // Returns false when the buffer cannot be allocated.
    bool Start(std::uint32_t page_size);

    PageSlot& Current() { return slots_[top_]; }
    const PageSlot& Current() const { return slots_[top_]; }
    std::uint32_t TopIndex() const { return top_; }
    const PageSlot& At(std::uint32_t index) const { return slots_[index]; }

    // Puts a new slot, in NoPage, on top, with the current slot's capacity
    // and page size. Prints MIP0120E and returns false when the stack is full
    // or the buffer cannot be allocated; nothing changes then.
    bool Push();

    // Discards the current slot, warning with MIP0104W when it is Updated.
    // Returns false, printing nothing, when the current slot is the base slot.
    bool Pop();

    // Gives the current slot a buffer of `new_capacity` bytes (more than it
    // has) holding the bytes of the page it holds. Returns false when memory
    // is short; nothing changes then.
    bool Grow(std::uint32_t new_capacity);

    // Frees the base slot's buffer (at the end of the run).
    void ReleaseBase();

private:
    PageMemory& memory_;
    PageSlot slots_[kSlotCount];
    std::uint32_t top_ = 0;
};

// Prints "MIP0104W" for a slot whose changes are being abandoned.
void WarnUpdatedPageLost(const PageSlot& slot);

}  // namespace varnex
