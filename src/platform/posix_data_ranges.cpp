#include "platform/data_ranges.h"

#include <cerrno>
#include <cstdint>
#include <unistd.h>

namespace varnex {

// SEEK_DATA and SEEK_HOLE move the file position; it is put back, since the
// caller reads on from where it was. ENXIO from SEEK_DATA: only a hole
// follows. A file system without holes reports the whole file as data, which
// is correct too.
bool NextData(FileHandle file, std::uint64_t from, std::uint64_t& data_start, std::uint64_t& data_end) {
#if defined(SEEK_DATA) && defined(SEEK_HOLE)
    const int descriptor = static_cast<int>(file);
    const off_t position = ::lseek(descriptor, 0, SEEK_CUR);
    if (position < 0 || from > static_cast<std::uint64_t>(INT64_MAX)) return false;
    const off_t data = ::lseek(descriptor, static_cast<off_t>(from), SEEK_DATA);
    bool known = true;
    if (data < 0 && errno == ENXIO) {
        data_start = data_end = UINT64_MAX;
    } else if (data < 0) {
        known = false;
    } else {
        const off_t hole = ::lseek(descriptor, data, SEEK_HOLE);
        known = hole >= 0;
        data_start = static_cast<std::uint64_t>(data);
        data_end = static_cast<std::uint64_t>(hole);
    }
    return ::lseek(descriptor, position, SEEK_SET) == position && known;
#else
    (void)file, (void)from, (void)data_start, (void)data_end;
    return false;
#endif
}

}  // namespace varnex
