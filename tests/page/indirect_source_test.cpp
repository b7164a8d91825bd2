// Indirect PAGE through the interpreter: after a PUSH the stored offset comes
// from the page below and the target loads into the new slot; an Updated page
// is read as changed, then abandoned with a warning.

#include <gtest/gtest.h>

#include <string>

#include "page/file_access.h"
#include "support/captured_output.h"
#include "support/fake_file_system.h"

namespace varnex {
namespace {

using testing::CapturedOutput;
using testing::FakeFileSystem;

// The interpreter loads the target into the top slot and leaves the page
// that held the offset as it was.
TEST(IndirectSource, AfterPushTheTargetLoadsIntoTheNewSlot) {
    FakeFileSystem files;
    files.contents.assign(0x1010, 0x00);
    files.contents[9] = 0x10;           // WI32 0x00001000 at offset 8
    files.contents[0x1000] = 0xAB;
    StringByteSource commands("PAGE 0\nREP 0 77\nPUSH\nPAGE @8 WI32\nVER 0 AB\nPOP\nVER 0 77\nPOP\n");
    CapturedOutput output;
    OpenAndRun("chain", 16, files, commands);
    EXPECT_EQ(output.Text(),
              "PAGE 0\nMIP0110I: Page command completed 16 bytes loaded from offset 0x00000000:00000000.\n\n"
              "REP 0 77\nMIP0116I: Replace operation succeeded (1 bytes updated).\n\n"
              "PUSH\n"
              "PAGE @8 WI32\nMIP0110I: Page command completed 16 bytes loaded from offset 0x00000000:00001000.\n\n"
              "VER 0 AB\nMIP0112I: Verify operation succeeded (1 bytes compared).\n\n"
              "POP\n"
              "VER 0 77\nMIP0112I: Verify operation succeeded (1 bytes compared).\n\n"
              "POP\nMIP0119W: No page was available to be popped, the pop command has been ignored.\n"
              "MIP0104W: The current page (0x00000000:00000000) has been updated and will not be written.\n"
              "MIP0105I: The end of the command stream has been reached.\n");
}

// An Updated page supplies the offset as changed in memory, then is warned
// about before the target replaces it.
TEST(IndirectSource, AnUpdatedPageIsReadAsChangedThenAbandoned) {
    FakeFileSystem files;
    files.contents.assign(0x40, 0x00);
    files.contents[0x30] = 0xCD;
    StringByteSource commands("PAGE 0x10\nREP 4 30\nPAGE @4 WI16\nVER 0 CD\n");
    CapturedOutput output;
    OpenAndRun("chain", 16, files, commands);
    EXPECT_EQ(output.Text(),
              "PAGE 0x10\nMIP0110I: Page command completed 16 bytes loaded from offset 0x00000000:00000010.\n\n"
              "REP 4 30\nMIP0116I: Replace operation succeeded (1 bytes updated).\n\n"
              "PAGE @4 WI16\n"
              "MIP0104W: The current page (0x00000000:00000010) has been updated and will not be written.\n"
              "MIP0110I: Page command completed 16 bytes loaded from offset 0x00000000:00000030.\n\n"
              "VER 0 CD\nMIP0112I: Verify operation succeeded (1 bytes compared).\n\n"
              "MIP0105I: The end of the command stream has been reached.\n");
}

}  // namespace
}  // namespace varnex
