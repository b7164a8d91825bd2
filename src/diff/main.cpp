// varnex-diff: the command stream that makes one file equal to another.

#include <cstdio>
#include <new>

#include "diff/diff_program.h"
#include "platform/binary_output.h"
#include "platform/process_setup.h"

int main(int argc, char** argv) {
    varnex::PrepareProcess();
    varnex::UseBinaryStandardOutput();
    try {
        return varnex::RunDiff(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("varnex-diff: out of memory\n", stderr);
        return varnex::kDiffTrouble;
    }
}
