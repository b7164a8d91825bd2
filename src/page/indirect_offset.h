#pragma once
// Reading a file offset stored inside a loaded page.

#include <cstdint>

#include "page/page_stack.h"

namespace varnex {

// Assembles the offset stored in `bytes` in the layout `word_kind` (a
// WordKind code). Returns false for a code that is no kind.
bool AssembleStoredOffset(const std::uint8_t* bytes, std::uint32_t word_kind,
                          std::uint32_t& high, std::uint32_t& low);

// On entry `value_b` is the offset of the stored word within the source page
// and `value_a` its WordKind code; on success they hold the target's low and
// high halves. The source is the current slot, or the slot below it when the
// current slot holds no page. On failure both are 0 and false is returned.
bool ComputeIndirectOffset(const PageStack& stack, std::uint32_t& value_b, std::uint32_t& value_a);

}  // namespace varnex
