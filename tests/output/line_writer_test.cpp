#include "output/line_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "output/message_text.h"
#include "support/captured_output.h"

namespace varnex {
namespace {

using testing::CapturedOutput;

TEST(LineWriter, EveryLineLeavesWithItsNewlineInOnePiece) {
    CapturedOutput output;
    WriteLine("MIP0105I: The end of the command stream has been reached.");
    WriteEmptyLine();
    WriteMessage("MIP0112I: Verify operation succeeded (%i bytes compared).", 2);
    EXPECT_EQ(output.LineCount(), 3u);
    EXPECT_EQ(output.Text(),
              "MIP0105I: The end of the command stream has been reached.\n\n"
              "MIP0112I: Verify operation succeeded (2 bytes compared).\n");
}

TEST(LineWriter, LongLinesAreNeverCut) {
    const std::string name(3000, 'n');
    CapturedOutput output;
    WriteMessage("MIP0100E: Unable to open the requested file '%s'.", name.c_str());
    EXPECT_EQ(output.Text(), "MIP0100E: Unable to open the requested file '" + name + "'.\n");
    output.Clear();
    WriteLine(name);
    EXPECT_EQ(output.Text(), name + "\n");
}

TEST(MessageText, ReportsWhetherTheTextFitted) {
    MessageText text;
    EXPECT_TRUE(text.Format("%s", std::string(MessageText::kCapacity - 1, 'x').c_str()));
    EXPECT_EQ(text.View().size(), MessageText::kCapacity - 1);
    EXPECT_FALSE(text.Format("%s", std::string(MessageText::kCapacity, 'x').c_str()));
    EXPECT_EQ(text.View().size(), MessageText::kCapacity - 1);
}

}  // namespace
}  // namespace varnex
