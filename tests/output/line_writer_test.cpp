#include "output/line_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// A sink that takes a line and its empty line together, as standard output
// does, and records each call.
class PairSink final : public LineSink {
public:
    PairSink() : previous_(SetLineSink(this)) {}
    ~PairSink() override { SetLineSink(previous_); }
    PairSink(const PairSink&) = delete;
    PairSink& operator=(const PairSink&) = delete;
    void Put(const char* line, std::size_t length) override { calls.emplace_back(line, length); }
    void PutLineAndEmptyLine(const char* lines, std::size_t length) override { calls.emplace_back(lines, length); }
    std::vector<std::string> calls;

private:
    LineSink* previous_;
};

// A message and its empty line must be the same bytes as WriteLine and
// WriteEmptyLine give: one call where the sink takes both (a text cut or a
// newline lost would show), two lines for a sink that counts lines, and a
// message too long for the buffer formatted whole (its arguments used twice).
TEST(LineWriter, AMessageAndItsEmptyLineAreTheSameBytesInOneCall) {
    const std::string name(3000, 'n');
    struct Case {
        std::string text;
        bool one_call;
    } cases[] = {{"MIP0116I: Replace operation succeeded (4 bytes updated).", true},
                 {"MIP0100E: Unable to open the requested file '" + name + "'.", false}};
    for (const Case& item : cases) {
        {
            PairSink pairs;
            WriteMessageAndEmptyLine("%s", item.text.c_str());
            WriteLineAndEmptyLine(item.text);
            std::string joined;
            for (const std::string& call : pairs.calls) joined += call;
            EXPECT_EQ(joined, item.text + "\n\n" + item.text + "\n\n");
            if (item.one_call) {
                EXPECT_EQ(pairs.calls.size(), 2u) << "each pair in one call";
            }
        }
        CapturedOutput output;
        WriteMessageAndEmptyLine(item.text.size() > 100 ? "MIP0100E: Unable to open the requested file '%s'." : "%s",
                                 item.text.size() > 100 ? name.c_str() : item.text.c_str());
        EXPECT_EQ(output.Text(), item.text + "\n\n");
        if (item.one_call) {
            EXPECT_EQ(output.LineCount(), 2u) << "a sink that counts lines sees two";
        }
    }
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
