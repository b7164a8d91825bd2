#pragma once
// Passing over what is a hole in both files being compared: equal (both read
// as zeros) without reading them, so that a sparse disk image is compared at
// the speed of its data rather than of its size.

#include <cstdint>

#include "platform/file_system.h"

namespace varnex {

// The next stretch worth reading, from a page boundary at or after `from`.
struct ReadStretch {
    std::uint64_t start = 0;  // a multiple of the page size; all before it is a hole in both files
    std::uint64_t end = 0;    // reading may stop here and ask again; at most the file's size
};

class CommonHoles {
public:
    // Both files have `size` bytes. Pipes and anything the file system cannot
    // describe are taken as data throughout.
    CommonHoles(FileHandle old_file, FileHandle new_file, std::uint64_t size, std::uint32_t page_size, bool usable);

    // `from` is a multiple of the page size. A stretch that is a hole in one
    // file and data in the other is read (the hole as zeros), never passed over.
    ReadStretch Next(std::uint64_t from);

private:
    bool Ask(FileHandle file, std::uint64_t from, std::uint64_t& start, std::uint64_t& end);

    FileHandle old_file_;
    FileHandle new_file_;
    std::uint64_t size_;
    std::uint32_t page_size_;
    bool usable_;
};

}  // namespace varnex
