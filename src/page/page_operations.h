#pragma once
// Verify, replace and search on the page in memory, bounded by the loaded
// length. Comparisons fold ASCII letter case; replace writes bytes unchanged.
// Each operation prints its own outcome.

#include <cstdint>

namespace varnex {

struct PageView {
    std::uint8_t* buffer;
    std::uint32_t loaded_length;
};

bool VerifyBytes(PageView page, std::uint32_t offset, const std::uint8_t* data, std::uint32_t count);
bool ReplaceBytes(PageView page, std::uint32_t offset, const std::uint8_t* data, std::uint32_t count);
bool SearchBytes(PageView page, std::uint32_t offset, const std::uint8_t* data, std::uint32_t count);

}  // namespace varnex
