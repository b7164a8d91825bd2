#pragma once
// The command reader: reads the command stream line by line, echoes every
// completed line, recognises the verb, checks and converts the operands, and
// hands the interpreter one command at a time.

#include <cstdint>

#include "command/byte_source.h"
#include "command/command_code.h"
#include "command/line_reader.h"

namespace varnex {

class CommandReader {
public:
    explicit CommandReader(ByteSource& source) : lines_(source) {}

    // Reads until a command can be executed or the stream ends. `page_size`
    // is the current slot's page size (used by PAGE #n). Value A, value B and
    // the byte count of `command` are cleared first. Returns the code, also
    // stored in `command.code`; kEndOfStream is final.
    CommandCode ReadCommand(std::uint32_t page_size, Command& command);

private:
    LineReader lines_;
};

}  // namespace varnex
