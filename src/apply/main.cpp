// varnex-apply: applies varnex command streams to a file all or nothing, with
// a durable journal that finishes or takes back a run cut short.

#include <cstdio>
#include <new>

#include "apply/apply_program.h"
#include "apply/apply_engine.h"
#include "platform/process_setup.h"

int main(int argc, char** argv) {
    varnex::PrepareProcess();
    try {
        return varnex::RunApplyProgram(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("varnex-apply: out of memory\n", stderr);
        return varnex::kApplyTrouble;
    }
}
