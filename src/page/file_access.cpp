#include "page/file_access.h"

#include <algorithm>
#include <cerrno>

#include "command/command_reader.h"
#include "output/line_writer.h"
#include "output/message_text.h"
#include "page/command_interpreter.h"
#include "platform/system_error_text.h"

namespace varnex {
namespace {

// The most one read(2) or write(2) call is given; Linux moves no more at once.
constexpr std::size_t kLargestTransfer = 0x7ffff000;

std::uint64_t JoinOffset(std::uint32_t high, std::uint32_t low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

bool PositionFile(FileSystem& files, int descriptor, std::uint32_t high, std::uint32_t low) {
    int error = 0;
    if (files.Seek(descriptor, JoinOffset(high, low), error) == 0) return true;
    WriteMessage("MIP0101E: Unable to position the file to the requested offset 0x%.8X:%.8X.", high, low);
    WriteSystemErrorLine(error);
    return false;
}

}  // namespace

void WriteSystemErrorLine(int error_code) {
    char text[256];
    SystemErrorText(error_code, text, sizeof text);
    WriteMessage("Platform API Error: 0x%04X - %s.", static_cast<unsigned>(error_code), text);
}

void OpenAndRun(const char* file_name, std::uint32_t page_size, FileSystem& files, ByteSource& commands) {
    int error = 0;
    const int descriptor = files.Open(file_name, error);
    if (descriptor < 0) {
        WriteMessage("MIP0100E: Unable to open the requested file '%s'.", file_name);
        WriteSystemErrorLine(error);
        return;
    }
    CommandReader reader(commands);
    RunInterpreter(files, descriptor, page_size, reader);
    files.Close(descriptor);
}

// One logical read: read(2) is repeated after short transfers and
// interruptions until the count is reached or the file ends.
std::uint32_t PageRead(FileSystem& files, int descriptor, std::uint32_t offset_high, std::uint32_t offset_low,
                       std::uint8_t* buffer, std::uint32_t count) {
    if (!PositionFile(files, descriptor, offset_high, offset_low)) return 0;
    std::uint32_t done = 0;
    while (done < count) {
        int error = 0;
        const std::size_t asked = std::min<std::size_t>(count - done, kLargestTransfer);
        const ssize_t got = files.Read(descriptor, buffer + done, asked, error);
        if (got == 0) break;
        if (got < 0) {
            if (error == EINTR) continue;
            WriteMessage("MIP0102E: An error was encountered while reading the file, %i bytes returned.",
                         static_cast<int>(done));
            WriteSystemErrorLine(error);
            return 0;
        }
        done += static_cast<std::uint32_t>(std::min<std::size_t>(static_cast<std::size_t>(got), asked));
    }
    WriteMessage("MIP0110I: Page command completed %i bytes loaded from offset 0x%.8X:%.8X.", static_cast<int>(done),
                 offset_high, offset_low);
    WriteEmptyLine();
    return done;
}

// One logical write: write(2) is repeated after short transfers and
// interruptions until every byte is written.
bool PageWrite(FileSystem& files, int descriptor, std::uint32_t offset_high, std::uint32_t offset_low,
               const std::uint8_t* buffer, std::uint32_t count) {
    if (!PositionFile(files, descriptor, offset_high, offset_low)) return false;
    std::uint32_t done = 0;
    while (done < count) {
        int error = 0;
        const std::size_t asked = std::min<std::size_t>(count - done, kLargestTransfer);
        const ssize_t put = files.Write(descriptor, buffer + done, asked, error);
        if (put < 0 && error == EINTR) continue;
        if (put <= 0) {
            WriteMessage("MIP0115E: Write failed (%i bytes written).", static_cast<int>(done));
            if (put < 0) WriteSystemErrorLine(error);
            return false;
        }
        done += static_cast<std::uint32_t>(std::min<std::size_t>(static_cast<std::size_t>(put), asked));
    }
    WriteMessage("MIP0117I: Write completed (%i bytes written) at offset 0x%.8X:%.8X.", static_cast<int>(done),
                 offset_high, offset_low);
    WriteEmptyLine();
    return true;
}

}  // namespace varnex
