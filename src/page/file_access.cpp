#include "page/file_access.h"

#include "command/command_reader.h"
#include "output/line_writer.h"
#include "output/message_text.h"
#include "page/command_interpreter.h"
#include "platform/system_error_text.h"
#include "platform/transfer.h"

namespace varnex {
namespace {

std::uint64_t JoinOffset(std::uint32_t high, std::uint32_t low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

bool PositionFile(FileSystem& files, FileHandle file, std::uint32_t high, std::uint32_t low) {
    ErrorCode error = 0;
    if (files.Seek(file, JoinOffset(high, low), error) == 0) return true;
    WriteMessage("MIP0101E: Unable to position the file to the requested offset 0x%.8X:%.8X.", high, low);
    WriteSystemErrorLine(error);
    return false;
}

}  // namespace

void WriteSystemErrorLine(ErrorCode error_code) {
    char text[256];
    SystemErrorText(error_code, text, sizeof text);
    WriteMessage("Platform API Error: 0x%04X - %s.", static_cast<unsigned>(error_code), text);
}

void OpenAndRun(const char* file_name, std::uint32_t page_size, FileSystem& files, ByteSource& commands) {
    ErrorCode error = 0;
    const FileHandle file = files.Open(file_name, error);
    if (file == kNoFile) {
        WriteMessage("MIP0100E: Unable to open the requested file '%s'.", file_name);
        WriteSystemErrorLine(error);
        return;
    }
    CommandReader reader(commands);
    RunInterpreter(files, file, page_size, reader);
    files.Close(file);
}

std::uint32_t PageRead(FileSystem& files, FileHandle file, std::uint32_t offset_high, std::uint32_t offset_low,
                       std::uint8_t* buffer, std::uint32_t count) {
    if (!PositionFile(files, file, offset_high, offset_low)) return 0;
    const TransferResult read = ReadPage(files, file, buffer, count);
    if (read.failed) {
        WriteMessage("MIP0102E: An error was encountered while reading the file, %i bytes returned.",
                     static_cast<int>(read.done));
        WriteSystemErrorLine(read.error);
        return 0;
    }
    WriteMessageAndEmptyLine("MIP0110I: Page command completed %i bytes loaded from offset 0x%.8X:%.8X.",
                             static_cast<int>(read.done), offset_high, offset_low);
    return read.done;
}

bool PageWrite(FileSystem& files, FileHandle file, std::uint32_t offset_high, std::uint32_t offset_low,
               const std::uint8_t* buffer, std::uint32_t count) {
    if (!PositionFile(files, file, offset_high, offset_low)) return false;
    const TransferResult written = WritePage(files, file, buffer, count);
    if (written.failed || written.done != count) {
        WriteMessage("MIP0115E: Write failed (%i bytes written).", static_cast<int>(written.done));
        if (written.failed) WriteSystemErrorLine(written.error);
        return false;
    }
    WriteMessageAndEmptyLine("MIP0117I: Write completed (%i bytes written) at offset 0x%.8X:%.8X.",
                             static_cast<int>(written.done), offset_high, offset_low);
    return true;
}

}  // namespace varnex
