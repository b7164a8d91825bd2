#include "page/page_stack.h"

#include <cstring>

#include "output/message_text.h"

namespace varnex {
namespace {

void RefusePush() {
    WriteMessage("MIP0120E: The push command could not be executed as there is no space left on the stack.");
}

}  // namespace

void WarnUpdatedPageLost(const PageSlot& slot) {
    WriteMessage("MIP0104W: The current page (0x%.8X:%.8X) has been updated and will not be written.",
                 slot.offset_high, slot.offset_low);
}

PageStack::~PageStack() {
    for (PageSlot& slot : slots_) memory_.Release(slot.buffer);
}

bool PageStack::Start(std::uint32_t page_size) {
    std::uint8_t* buffer = memory_.Allocate(page_size);
    if (buffer == nullptr) return false;
    PageSlot& base = slots_[0];
    memory_.Release(base.buffer);
    base = PageSlot{};
    base.capacity = page_size;
    base.page_size = page_size;
    base.buffer = buffer;
    top_ = 0;
    return true;
}

bool PageStack::Push() {
    if (top_ + 1 >= kSlotCount) {
        RefusePush();
        return false;
    }
    const PageSlot& current = slots_[top_];
    // The whole capacity, not just the page size: a PAGESIZE in the new slot
    // may go back up to it without growing.
    std::uint8_t* buffer = memory_.Allocate(current.capacity);
    if (buffer == nullptr) {
        RefusePush();
        return false;
    }
    PageSlot& fresh = slots_[top_ + 1];
    fresh = PageSlot{};
    fresh.capacity = current.capacity;
    fresh.page_size = current.page_size;
    fresh.buffer = buffer;
    ++top_;
    return true;
}

bool PageStack::Pop() {
    if (top_ == 0) return false;
    PageSlot& current = slots_[top_];
    if (current.state == PageState::kUpdated) WarnUpdatedPageLost(current);
    memory_.Release(current.buffer);
    current = PageSlot{};
    --top_;
    return true;
}

bool PageStack::Grow(std::uint32_t new_capacity) {
    PageSlot& current = slots_[top_];
    std::uint8_t* buffer = memory_.Allocate(new_capacity);
    if (buffer == nullptr) return false;
    // Only the bytes of the page held are worth keeping; the rest of the old
    // buffer is stale and is not copied.
    if (current.state != PageState::kNoPage && current.loaded_length > 0) {
        std::memcpy(buffer, current.buffer, current.loaded_length);
    }
    memory_.Release(current.buffer);
    current.buffer = buffer;
    current.capacity = new_capacity;
    return true;
}

void PageStack::ReleaseBase() {
    memory_.Release(slots_[0].buffer);
    slots_[0].buffer = nullptr;
}

}  // namespace varnex
