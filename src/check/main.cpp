// varnex-check: finds probable mistakes in varnex command streams before they
// touch a file, and dry-runs them on request.

#include <cstdio>
#include <new>

#include "check/check_program.h"
#include "platform/process_setup.h"

int main(int argc, char** argv) {
    varnex::PrepareProcess();
    try {
        return varnex::RunCheck(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("varnex-check: out of memory\n", stderr);
        return varnex::kCheckTrouble;
    }
}
