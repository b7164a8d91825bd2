#pragma once
// The command interpreter: owns the page stack for the run and applies each
// command to the current slot according to the slot's state.

#include <cstdint>

#include "command/command_reader.h"
#include "page/page_memory.h"
#include "platform/file_system.h"

namespace varnex {

struct PageSlot;

// Sees each command just before the interpreter applies it to the current
// slot, as a program that studies a run (what its checks expected) needs to.
// The run itself is the same with or without one.
class CommandObserver {
public:
    virtual ~CommandObserver() = default;
    virtual void BeforeCommand(const Command& command, const PageSlot& current) = 0;
};

// Installs `observer` for all later runs and returns the one it replaces;
// nullptr, the default, observes nothing.
CommandObserver* SetCommandObserver(CommandObserver* observer);

// Runs the whole command stream against the open file, with page buffers
// from `memory`. Returns when the stream ends; every page buffer has been
// freed by then. When the first page buffer cannot be allocated, reports it
// and returns without reading the stream.
void RunInterpreter(FileSystem& files, FileHandle file, std::uint32_t page_size, CommandReader& reader,
                    PageMemory& memory = SystemPageMemory());

}  // namespace varnex
