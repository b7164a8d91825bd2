#include "platform/data_ranges.h"

#include <windows.h>
#include <winioctl.h>

namespace varnex {

// FSCTL_QUERY_ALLOCATED_RANGES lists the allocated ranges within the range
// asked about; one range is enough here, so ERROR_MORE_DATA is no failure.
// A file that is not sparse is reported as one allocated range.
bool NextData(FileHandle file, std::uint64_t from, std::uint64_t& data_start, std::uint64_t& data_end) {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(reinterpret_cast<HANDLE>(file), &size)) return false;
    const auto end = static_cast<std::uint64_t>(size.QuadPart);
    if (from >= end) {
        data_start = data_end = UINT64_MAX;
        return true;
    }
    FILE_ALLOCATED_RANGE_BUFFER query{};
    query.FileOffset.QuadPart = static_cast<LONGLONG>(from);
    query.Length.QuadPart = static_cast<LONGLONG>(end - from);
    FILE_ALLOCATED_RANGE_BUFFER found{};
    DWORD returned = 0;
    if (!::DeviceIoControl(reinterpret_cast<HANDLE>(file), FSCTL_QUERY_ALLOCATED_RANGES, &query, sizeof query, &found,
                           sizeof found, &returned, nullptr) &&
        ::GetLastError() != ERROR_MORE_DATA) {
        return false;
    }
    if (returned < sizeof found) {
        data_start = data_end = UINT64_MAX;
        return true;
    }
    const auto start = static_cast<std::uint64_t>(found.FileOffset.QuadPart);
    data_start = start < from ? from : start;
    data_end = start + static_cast<std::uint64_t>(found.Length.QuadPart);
    return true;
}

}  // namespace varnex
