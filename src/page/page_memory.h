#pragma once
// Where page buffers come from. Page buffers are the only memory the program
// takes while commands run; they are taken uninitialised, because every read
// fills what it reports and nothing past the loaded length is ever looked at,
// so a page of a gigabyte costs no clearing.

#include <cstdint>

namespace varnex {

class PageMemory {
public:
    virtual ~PageMemory() = default;

    // A buffer of at least `bytes` bytes (a real buffer also for 0), or
    // nullptr when memory is short.
    virtual std::uint8_t* Allocate(std::uint32_t bytes) = 0;

    // Gives back a buffer from Allocate; nullptr is ignored.
    virtual void Release(std::uint8_t* buffer) = 0;
};

// The process heap. Large buffers are backed by huge pages where the system
// offers them on request: reading a page of hundreds of megabytes into them,
// and scanning it, then costs far fewer page faults and address translations.
PageMemory& SystemPageMemory();

}  // namespace varnex
