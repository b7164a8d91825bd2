#pragma once

#include <cstdint>

namespace varnex {

enum class PageState : std::uint32_t {
    kNoPage = 1,        // nothing read yet, or the last read returned no bytes
    kLoaded = 2,        // held and unchanged since read or written
    kVerifyFailed = 3,  // a verify failed or a replace was refused: no more patches
    kUpdated = 4,       // patched in memory since read or written
};

}  // namespace varnex
