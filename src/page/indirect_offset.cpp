#include "page/indirect_offset.h"

#include "command/word_kind.h"

namespace varnex {
namespace {

// How one stored byte lands in the result: which half, and at which shift.
struct BytePlace {
    bool high;
    std::uint8_t shift;
};

struct Layout {
    WordKind kind;
    std::uint8_t width;
    BytePlace places[8];
};

constexpr BytePlace L(std::uint8_t shift) { return {false, shift}; }
constexpr BytePlace H(std::uint8_t shift) { return {true, shift}; }

// Byte i of the stored word goes to places[i]. WI24, WI56 and WC24 put their
// odd byte in bits 24 to 31 of its half, leaving bits 16 to 23 zero; the WC
// family holds 32-bit words most significant byte first, the low word first.
constexpr Layout kLayouts[] = {
    {WordKind::kWI16, 2, {L(0), L(8)}},
    {WordKind::kWI24, 3, {L(0), L(8), L(24)}},
    {WordKind::kWI32, 4, {L(0), L(8), L(16), L(24)}},
    {WordKind::kWI48, 6, {L(0), L(8), L(16), L(24), H(0), H(8)}},
    {WordKind::kWI56, 7, {L(0), L(8), L(16), L(24), H(0), H(8), H(24)}},
    {WordKind::kWI64, 8, {L(0), L(8), L(16), L(24), H(0), H(8), H(16), H(24)}},
    {WordKind::kWC16, 2, {L(8), L(0)}},
    {WordKind::kWC24, 3, {L(8), L(0), L(24)}},
    {WordKind::kWC32, 4, {L(24), L(16), L(8), L(0)}},
    {WordKind::kWC48, 6, {L(24), L(16), L(8), L(0), H(24), H(16)}},
    {WordKind::kWC56, 7, {L(24), L(16), L(8), L(0), H(24), H(16), H(8)}},
    {WordKind::kWC64, 8, {L(24), L(16), L(8), L(0), H(24), H(16), H(8), H(0)}},
    {WordKind::kWD32, 4, {L(8), L(16), L(24), H(0)}},
};

const Layout* FindLayout(std::uint32_t word_kind) {
    for (const Layout& layout : kLayouts) {
        if (static_cast<std::uint32_t>(layout.kind) == word_kind) return &layout;
    }
    return nullptr;
}

// The slot whose page holds the stored offset: the current one, or after a
// PUSH (current slot empty) the one directly below. No slot further down.
const PageSlot* SourceSlot(const PageStack& stack) {
    const PageSlot& current = stack.Current();
    if (current.state != PageState::kNoPage) return &current;
    if (stack.TopIndex() == 0) return nullptr;
    const PageSlot& below = stack.At(stack.TopIndex() - 1);
    return below.state != PageState::kNoPage ? &below : nullptr;
}

}  // namespace

bool AssembleStoredOffset(const std::uint8_t* bytes, std::uint32_t word_kind, std::uint32_t& high,
                          std::uint32_t& low) {
    const Layout* layout = FindLayout(word_kind);
    if (layout == nullptr) return false;
    high = 0;
    low = 0;
    for (std::uint32_t i = 0; i < layout->width; ++i) {
        const BytePlace place = layout->places[i];
        (place.high ? high : low) |= static_cast<std::uint32_t>(bytes[i]) << place.shift;
    }
    return true;
}

bool ComputeIndirectOffset(const PageStack& stack, std::uint32_t& value_b, std::uint32_t& value_a) {
    const std::uint32_t offset = value_b;
    const std::uint32_t word_kind = value_a;
    value_a = 0;
    value_b = 0;
    const PageSlot* source = SourceSlot(stack);
    if (source == nullptr) return false;
    const std::uint32_t width = WordKindWidth(word_kind);
    if (width == 0 || static_cast<std::uint64_t>(offset) + width > source->loaded_length) return false;
    std::uint32_t high = 0;
    std::uint32_t low = 0;
    if (!AssembleStoredOffset(source->buffer + offset, word_kind, high, low)) return false;
    value_a = high;
    value_b = low;
    return true;
}

}  // namespace varnex
