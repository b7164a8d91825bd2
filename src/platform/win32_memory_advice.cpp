#include "platform/memory_advice.h"

namespace varnex {

// Windows gives large pages only to processes holding a privilege that is
// off by default, and only through its own allocation calls; page buffers
// come from the heap, so there is nothing to ask for.
void AdviseLargeBuffer(void*, std::size_t) {}

}  // namespace varnex
