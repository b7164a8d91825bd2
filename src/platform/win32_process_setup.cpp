#include "platform/process_setup.h"

#include <windows.h>

// The C runtime would otherwise expand wildcards in the arguments before
// main sees them, so "-?" could be replaced by the name of a file of two
// characters beginning with '-'. The tool takes its arguments as typed.
extern "C" {
int _dowildcard = 0;
}

namespace varnex {

// The standard handles are fixed per process and never handed out again for
// a file opened later, so, unlike descriptors 0 to 2 on POSIX, nothing needs
// reopening; and a reader of the log that goes away makes a write fail rather
// than ending the process. What remains: a missing drive or medium must fail
// the open with its error code, not stop an unattended run at a dialog box.
void PrepareProcess() { ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX); }

}  // namespace varnex
