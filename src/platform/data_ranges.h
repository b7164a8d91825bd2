#pragma once
// Where a file holds data and where it has holes, so that a comparison can
// pass over a stretch that is a hole in both files without reading it.

#include <cstdint>

#include "platform/file_system.h"

namespace varnex {

// From offset `from`: `data_start` is where the next data begins (`from`
// itself when it lies in data), and `data_end` where that data ends (the next
// hole, or the end of the file). When no data follows `from`, both are set
// to UINT64_MAX. Returns false when the file system cannot tell (no support,
// a pipe, any failure): the caller then takes the whole file as data. A hole
// reads as zeros. The file position is left where it was.
bool NextData(FileHandle file, std::uint64_t from, std::uint64_t& data_start, std::uint64_t& data_end);

}  // namespace varnex
