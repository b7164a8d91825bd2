#include "page/page_stack.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "output/message_text.h"

namespace varnex {
namespace {

// Page buffers are taken uninitialised: every read fills what it reports and
// nothing past the loaded length is ever looked at, so a large page costs no
// clearing. A size of 0 still gets a real buffer.
std::uint8_t* AllocatePageBuffer(std::uint32_t capacity) {
    return static_cast<std::uint8_t*>(std::malloc(std::max<std::size_t>(capacity, 1)));
}

void RefusePush() {
    WriteMessage("MIP0120E: The push command could not be executed as there is no space left on the stack.");
}

}  // namespace

void WarnUpdatedPageLost(const PageSlot& slot) {
    WriteMessage("MIP0104W: The current page (0x%.8X:%.8X) has been updated and will not be written.",
                 slot.offset_high, slot.offset_low);
}

PageStack::~PageStack() {
    for (PageSlot& slot : slots_) std::free(slot.buffer);
}

bool PageStack::Start(std::uint32_t page_size) {
    PageSlot& base = slots_[0];
    base = PageSlot{};
    base.buffer = AllocatePageBuffer(page_size);
    if (base.buffer == nullptr) return false;
    base.capacity = page_size;
    base.page_size = page_size;
    top_ = 0;
    return true;
}

bool PageStack::Push() {
    if (top_ + 1 >= kSlotCount) {
        RefusePush();
        return false;
    }
    const PageSlot& current = slots_[top_];
    std::uint8_t* buffer = AllocatePageBuffer(current.capacity);
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
    std::free(current.buffer);
    current = PageSlot{};
    --top_;
    return true;
}

bool PageStack::Grow(std::uint32_t new_capacity) {
    PageSlot& current = slots_[top_];
    std::uint8_t* buffer = AllocatePageBuffer(new_capacity);
    if (buffer == nullptr) return false;
    // Only the bytes of the page held matter; the rest of the old buffer is
    // not copied.
    if (current.state != PageState::kNoPage) std::memcpy(buffer, current.buffer, current.loaded_length);
    std::free(current.buffer);
    current.buffer = buffer;
    current.capacity = new_capacity;
    return true;
}

void PageStack::ReleaseBase() {
    std::free(slots_[0].buffer);
    slots_[0].buffer = nullptr;
}

}  // namespace varnex
