// varnex: inspects and patches one existing file in place, a page at a time,
// driven by a command stream on standard input.

#include "command/byte_source.h"
#include "front/program_entry.h"
#include "platform/file_system.h"
#include "platform/process_setup.h"

int main(int argc, char** argv) {
    varnex::PrepareProcess();
    // The byte source's buffer is large; it lives outside the stack.
    static varnex::StdinByteSource commands;
    return varnex::RunProgram(argc, argv, varnex::SystemFileSystem(), commands);
}
