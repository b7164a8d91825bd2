#include "page/page_operations.h"

#include <cstring>

#include "output/dump.h"
#include "output/line_writer.h"
#include "output/message_text.h"
#include "page/folded_search.h"

namespace varnex {
namespace {

// Whether `count` bytes at `offset` lie within the loaded bytes; the sum is
// taken without wrap-around.
bool FitsInPage(PageView page, std::uint32_t offset, std::uint32_t count) {
    return static_cast<std::uint64_t>(offset) + count <= page.loaded_length;
}

}  // namespace

bool VerifyBytes(PageView page, std::uint32_t offset, const std::uint8_t* data, std::uint32_t count) {
    if (!FitsInPage(page, offset, count)) {
        WriteMessageAndEmptyLine(
            "MIP0111E: The verify operation (Offset: %i, Length: %i) failed because the patch overlapped the end of "
            "the page.",
            static_cast<int>(offset), static_cast<int>(count));
        return false;
    }
    if (FoldedEqual(page.buffer + offset, data, count)) {
        WriteMessageAndEmptyLine("MIP0112I: Verify operation succeeded (%i bytes compared).", static_cast<int>(count));
        return true;
    }
    WriteLineAndEmptyLine("MIP0113E: Verify operation failed.");
    HexDump(page.buffer + offset, "Verify Failed", static_cast<std::int32_t>(count));
    WriteEmptyLine();
    return false;
}

bool ReplaceBytes(PageView page, std::uint32_t offset, const std::uint8_t* data, std::uint32_t count) {
    if (!FitsInPage(page, offset, count)) {
        WriteLineAndEmptyLine(
            "MIP0114E: The replace operation failed because the patch overlapped the end of the page.");
        return false;
    }
    if (count > 0) std::memcpy(page.buffer + offset, data, count);
    WriteMessageAndEmptyLine("MIP0116I: Replace operation succeeded (%i bytes updated).", static_cast<int>(count));
    return true;
}

bool SearchBytes(PageView page, std::uint32_t offset, const std::uint8_t* data, std::uint32_t count) {
    if (FitsInPage(page, offset, count)) {
        const std::size_t rest = page.loaded_length - offset;
        const std::size_t found = FoldedFind(page.buffer + offset, rest, data, count);
        if (found != kNotFound) {
            const std::uint32_t position = offset + static_cast<std::uint32_t>(found);
            WriteMessageAndEmptyLine(
                "MIP0124I: The search string was located at offset %i (0x%.4X) in the current page.",
                static_cast<int>(position), position);
            return true;
        }
    }
    WriteLineAndEmptyLine("MIP0125I: The search string was not found in the current page.");
    return false;
}

}  // namespace varnex
