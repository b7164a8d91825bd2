#pragma once
// Advice to the system about large page buffers.

#include <cstddef>

namespace varnex {

// Asks the system to back the buffer with large pages where it offers them
// on request; reading a page of hundreds of megabytes into it, and scanning
// it, then costs far fewer page faults. Only advice: a refusal changes
// nothing, and on a system without such pages nothing is done.
void AdviseLargeBuffer(void* buffer, std::size_t bytes);

}  // namespace varnex
