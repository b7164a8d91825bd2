#pragma once
// The command interpreter: owns the page stack for the run and applies each
// command to the current slot according to the slot's state.

#include <cstdint>

#include "command/command_reader.h"
#include "page/page_memory.h"
#include "platform/file_system.h"

namespace varnex {

// Runs the whole command stream against the open file, with page buffers
// from `memory`. Returns when the stream ends; every page buffer has been
// freed by then. When the first page buffer cannot be allocated, reports it
// and returns without reading the stream.
void RunInterpreter(FileSystem& files, FileHandle file, std::uint32_t page_size, CommandReader& reader,
                    PageMemory& memory = SystemPageMemory());

}  // namespace varnex
