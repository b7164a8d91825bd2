// The reader's line rules: what is echoed, what is executed, where the
// stream ends.

#include "command/command_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/captured_output.h"

namespace varnex {
namespace {

using testing::CapturedOutput;

struct ReaderRun {
    std::vector<CommandCode> codes;  // every code returned, the final kEndOfStream included
    std::string log;
};

ReaderRun ReadAll(const std::string& stream) {
    CapturedOutput output;
    StringByteSource source(stream);
    CommandReader reader(source);
    ReaderRun run;
    Command command;
    do {
        run.codes.push_back(reader.ReadCommand(4096, command));
    } while (run.codes.back() != CommandCode::kEndOfStream && run.codes.size() < 1000);
    // Asking again after the end keeps reporting the end.
    EXPECT_EQ(reader.ReadCommand(4096, command), CommandCode::kEndOfStream);
    run.log = output.Text();
    return run;
}

constexpr auto kEnd = CommandCode::kEndOfStream;
const std::string kMissing = "MIP0109E: The command has been ignored because it has invalid parameters.\n";

TEST(CommandReader, EchoesEveryLineAndSkipsNonCommands) {
    const ReaderRun run = ReadAll("* a comment\n\n   \npage 0\nPAG 1\nWrite now\nPAGE\tx\nDUMP\n");
    EXPECT_EQ(run.codes, (std::vector<CommandCode>{CommandCode::kPage, CommandCode::kWrite, CommandCode::kDump, kEnd}));
    EXPECT_EQ(run.log, "* a comment\n\n   \npage 0\nPAG 1\nWrite now\nPAGEx\nDUMP\n");
}

TEST(CommandReader, MissingOperandsAreReportedAndSkipped) {
    const ReaderRun run = ReadAll("PAGE\nVER 10\nREP 10\nSEARCH\nPAGESIZE\nBITDUMP\nPUSH\n");
    EXPECT_EQ(run.codes, (std::vector<CommandCode>{CommandCode::kBitDump, CommandCode::kPush, kEnd}));
    EXPECT_EQ(run.log, "PAGE\n" + kMissing + "VER 10\n" + kMissing + "REP 10\n" + kMissing + "SEARCH\n" + kMissing +
                           "PAGESIZE\n" + kMissing + "BITDUMP\nPUSH\n");
}

TEST(CommandReader, StreamEndsAtALineBeginningWithSlashStar) {
    ReaderRun run = ReadAll("PUSH\n/* the end\nPOP\n");
    EXPECT_EQ(run.codes, (std::vector<CommandCode>{CommandCode::kPush, kEnd}));
    EXPECT_EQ(run.log, "PUSH\n/* the end\n");

    run = ReadAll(" /*\nPOP\n/*");
    EXPECT_EQ(run.codes, (std::vector<CommandCode>{CommandCode::kPop, kEnd}));
    EXPECT_EQ(run.log, " /*\nPOP\n/*\n");
}

TEST(CommandReader, LineLengthLimit) {
    const std::string exact = "PAGE 0" + std::string(512 - 6, ' ');
    ReaderRun run = ReadAll(exact + "\nPOP\n");
    EXPECT_EQ(run.codes, (std::vector<CommandCode>{CommandCode::kPage, CommandCode::kPop, kEnd}));
    EXPECT_EQ(run.log, exact + "\nPOP\n");

    const std::string over = exact + "X";
    run = ReadAll(over + "\nPOP\n");
    EXPECT_EQ(run.codes, (std::vector<CommandCode>{CommandCode::kPop, kEnd}));
    EXPECT_EQ(run.log, over + "\nPOP\n");

    // Every full piece of 513 characters is echoed; the rest is dropped.
    std::string long_line;
    for (int i = 0; i < 1100; ++i) long_line += static_cast<char>('a' + i % 26);
    run = ReadAll("PUSH " + long_line.substr(5) + "\nPOP\n");
    EXPECT_EQ(run.codes, (std::vector<CommandCode>{CommandCode::kPop, kEnd}));
    const std::string sent = "PUSH " + long_line.substr(5);
    EXPECT_EQ(run.log, sent.substr(0, 513) + "\n" + sent.substr(513, 513) + "\nPOP\n");
}

TEST(CommandReader, ControlAndHighBytesAreDropped) {
    // Carriage returns, tabs inside words and bytes 128..255, 0xFF included,
    // vanish; the stream goes on after them.
    const ReaderRun run = ReadAll("PAGE 0x10\r\nWR\xFFITE\r\nPO\tP\n\xC3\xA9POP\nPUSH\n");
    EXPECT_EQ(run.codes, (std::vector<CommandCode>{CommandCode::kPage, CommandCode::kWrite, CommandCode::kPop,
                                                   CommandCode::kPop, CommandCode::kPush, kEnd}));
    EXPECT_EQ(run.log, "PAGE 0x10\nWRITE\nPOP\nPOP\nPUSH\n");
}

TEST(CommandReader, LastLineWithoutLineFeedIsExecuted) {
    ReaderRun run = ReadAll("PAGE 0\nWRITE");
    EXPECT_EQ(run.codes, (std::vector<CommandCode>{CommandCode::kPage, CommandCode::kWrite, kEnd}));
    EXPECT_EQ(run.log, "PAGE 0\nWRITE\n");

    // The tail of an overlong line is no line, and neither is nothing.
    run = ReadAll("POP\n" + std::string(600, 'A'));
    EXPECT_EQ(run.codes, (std::vector<CommandCode>{CommandCode::kPop, kEnd}));
    EXPECT_EQ(run.log, "POP\n" + std::string(513, 'A') + "\n");

    run = ReadAll("");
    EXPECT_EQ(run.codes, (std::vector<CommandCode>{kEnd}));
    EXPECT_EQ(run.log, "");
}

TEST(CommandReader, OnlyACompleteShortLineBeginningWithSlashStarEndsTheStream) {
    // A tab is dropped, so the line below begins with the two characters.
    ReaderRun run = ReadAll("\t/*\nPOP\n");
    EXPECT_EQ(run.codes, (std::vector<CommandCode>{kEnd}));
    EXPECT_EQ(run.log, "/*\n");

    run = ReadAll("/ *\n*/\n/\nPOP\n");
    EXPECT_EQ(run.codes, (std::vector<CommandCode>{CommandCode::kPop, kEnd}));
    EXPECT_EQ(run.log, "/ *\n*/\n/\nPOP\n");

    // An overlong line is never acted on, not even when it begins with /*,
    // and the dropped rest of one does not count as a line of its own.
    const std::string overlong = "/*" + std::string(600, 'x');
    run = ReadAll(overlong + "\nPOP\n");
    EXPECT_EQ(run.codes, (std::vector<CommandCode>{CommandCode::kPop, kEnd}));
    EXPECT_EQ(run.log, overlong.substr(0, 513) + "\nPOP\n");

    run = ReadAll(std::string(513, 'A') + "/*\nPOP\n");
    EXPECT_EQ(run.codes, (std::vector<CommandCode>{CommandCode::kPop, kEnd}));
    EXPECT_EQ(run.log, std::string(513, 'A') + "\nPOP\n");
}

TEST(CommandReader, LinesOfTwoFullPieces) {
    // 1026 characters are two full pieces and leave nothing behind.
    const std::string line(1026, 'Q');
    ReaderRun run = ReadAll(line + "\nPUSH\n");
    EXPECT_EQ(run.codes, (std::vector<CommandCode>{CommandCode::kPush, kEnd}));
    EXPECT_EQ(run.log, line.substr(0, 513) + "\n" + line.substr(513) + "\nPUSH\n");

    // Dropped bytes do not count towards the length.
    const std::string padded = "PAGE 1" + std::string(506, ' ');
    run = ReadAll(padded.substr(0, 100) + "\r\t\x01\xFF" + padded.substr(100) + "\r\n");
    EXPECT_EQ(run.codes, (std::vector<CommandCode>{CommandCode::kPage, kEnd}));
    EXPECT_EQ(run.log, padded + "\n");
}

TEST(CommandReader, TheEndOfInputEndsALastLineLikeALineFeed) {
    struct EndCase {
        std::string stream;
        std::vector<CommandCode> codes;
        std::string log;
    };
    const std::string full(512, 'W');
    const std::string exact = "WRITE" + std::string(507, ' ');
    const EndCase cases[] = {
        {"VER 10", {kEnd}, "VER 10\n" + kMissing},
        {"PUSH\nWRITE  ", {CommandCode::kPush, CommandCode::kWrite, kEnd}, "PUSH\nWRITE  \n"},
        {"WRITE\xFF", {CommandCode::kWrite, kEnd}, "WRITE\n"},
        {"POP\n\xFF\r", {CommandCode::kPop, kEnd}, "POP\n"},  // only dropped bytes: no line
        {"POP\n   ", {CommandCode::kPop, kEnd}, "POP\n   \n"},    // blanks are a line
        {exact, {CommandCode::kWrite, kEnd}, exact + "\n"},
        {exact + "X", {kEnd}, exact + "X\n"},
        {"/*\xFF", {kEnd}, "/*\n"},
    };
    for (const EndCase& c : cases) {
        const ReaderRun run = ReadAll(c.stream);
        EXPECT_EQ(run.codes, c.codes) << c.stream;
        EXPECT_EQ(run.log, c.log) << c.stream;
    }
}

TEST(CommandReader, ControlBytesVanishAndDeleteIsKept) {
    const ReaderRun run = ReadAll(std::string("PA\0GE 1\x1B\n\x7F\nPOP\x7F\n\x80\xFE\xFF\nPUSH\n", 25));
    EXPECT_EQ(run.codes, (std::vector<CommandCode>{CommandCode::kPage, CommandCode::kPush, kEnd}));
    EXPECT_EQ(run.log, "PAGE 1\n\x7F\nPOP\x7F\n\nPUSH\n");
}

TEST(CommandReader, ReadsNoFurtherThanTheLineOfTheCommandItReturns) {
    // The interpreter's messages for a command must follow that command's
    // echo and precede the next line's.
    const std::string stream = "* note\nPAGE 1\nVER 0\nPOP\n";
    StringByteSource source(stream);
    CapturedOutput output;
    CommandReader reader(source);
    Command command;
    EXPECT_EQ(reader.ReadCommand(4096, command), CommandCode::kPage);
    EXPECT_EQ(output.Text(), "* note\nPAGE 1\n");
    EXPECT_EQ(reader.ReadCommand(4096, command), CommandCode::kPop);
    EXPECT_EQ(output.Text(), "* note\nPAGE 1\nVER 0\n" + kMissing + "POP\n");
    EXPECT_EQ(output.LineCount(), 5u);
}

TEST(CommandReader, ValuesAreClearedBeforeEachCommand) {
    const std::string stream = "REP 7 AABB\nPUSH\n";
    StringByteSource source(stream);
    CapturedOutput output;
    CommandReader reader(source);
    Command command;
    EXPECT_EQ(reader.ReadCommand(4096, command), CommandCode::kReplace);
    EXPECT_EQ(command.byte_count, 2u);
    EXPECT_EQ(reader.ReadCommand(4096, command), CommandCode::kPush);
    EXPECT_EQ(command.value_a, 0u);
    EXPECT_EQ(command.value_b, 0u);
    EXPECT_EQ(command.byte_count, 0u);
}

}  // namespace
}  // namespace varnex
