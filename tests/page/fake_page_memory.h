#pragma once
// Page memory that can run dry on demand, fills every new buffer with a
// marker byte (so a test can tell copied bytes from fresh ones), and keeps
// account of every buffer it hands out.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <set>
#include <vector>

#include "page/page_memory.h"

namespace varnex::testing {

class FakePageMemory final : public PageMemory {
public:
    static constexpr std::uint8_t kFreshByte = 0xA5;

    std::size_t allocations_left = std::numeric_limits<std::size_t>::max();  // 0: every Allocate fails
    std::uint32_t largest_buffer = std::numeric_limits<std::uint32_t>::max();  // larger asks fail
    std::vector<std::uint32_t> asked;  // every size asked for, granted or not

    ~FakePageMemory() override {
        EXPECT_TRUE(live_.empty()) << live_.size() << " page buffers were never released";
        for (std::uint8_t* buffer : live_) std::free(buffer);
    }

    std::uint8_t* Allocate(std::uint32_t bytes) override {
        asked.push_back(bytes);
        if (allocations_left == 0 || bytes > largest_buffer) return nullptr;
        --allocations_left;
        auto* buffer = static_cast<std::uint8_t*>(std::malloc(bytes == 0 ? 1 : bytes));
        if (buffer == nullptr) return nullptr;
        std::memset(buffer, kFreshByte, bytes);
        live_.insert(buffer);
        return buffer;
    }

    void Release(std::uint8_t* buffer) override {
        if (buffer == nullptr) return;
        if (live_.erase(buffer) == 1) {
            std::free(buffer);
        } else {
            ADD_FAILURE() << "a buffer was released that is not held";
        }
    }

    std::size_t LiveBuffers() const { return live_.size(); }

private:
    std::set<std::uint8_t*> live_;
};

}  // namespace varnex::testing
