// The checker against streams whose slips are known: every slip found at its
// line and column with its severity, and nothing found in streams written
// with care.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "check/change_outputs.h"
#include "check/check_options.h"
#include "check/check_program.h"
#include "dryrun/dry_run.h"
#include "check/finding_format.h"
#include "check/joined_streams.h"
#include "check/stream_lint.h"
#include "support/captured_output.h"
#include "support/scratch_folder.h"
#include "support/scratch_stream.h"

namespace varnex {
namespace {

const std::filesystem::path kHere = std::filesystem::path(__FILE__).parent_path();
const std::filesystem::path kProject = kHere.parent_path().parent_path();

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

std::vector<std::string> ReadLines(const std::filesystem::path& path) {
    std::istringstream text(ReadBytes(path));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
}

std::string Hex(const std::string& bytes) {
    std::string text;
    for (const char c : bytes) {
        constexpr char kDigits[] = "0123456789ABCDEF";
        text += kDigits[static_cast<unsigned char>(c) >> 4];
        text += kDigits[static_cast<unsigned char>(c) & 15];
    }
    return text;
}

// The first line of each finding, as the user sees it.
std::vector<std::string> Lint(const std::filesystem::path& stream) {
    std::vector<std::string> found;
    for (const Finding& finding : LintStream(ReadBytes(stream), 4096)) {
        const std::string text = FormatFinding(stream.filename().string(), finding);
        found.push_back(text.substr(0, text.find('\n')));
    }
    return found;
}

// Each NAME.cmds here comes with NAME.expected: a missed slip, a wrong
// column (raw bytes against the reader's view), a wrong severity or a finding
// on a line that is fine all show as a difference.
TEST(LintStream, FindsEverySlipAtItsLineAndColumn) {
    int streams = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kHere)) {
        if (entry.path().extension() != ".cmds") continue;
        ++streams;
        std::filesystem::path expected = entry.path();
        expected.replace_extension(".expected");
        const std::vector<std::string> found = Lint(entry.path());
        const std::vector<std::string> wanted = ReadLines(expected);
        for (std::size_t i = 0; i < std::max(found.size(), wanted.size()); ++i) {
            EXPECT_EQ(i < found.size() ? found[i] : "(nothing)", i < wanted.size() ? wanted[i] : "(nothing)");
        }
    }
    EXPECT_GE(streams, 2);
}

// Streams written with care: a finding here is a false alarm (an ordinary
// comment word taken for a verb, a bound against the wrong slot's page size).
TEST(LintStream, CarefulStreamsGiveNoFindings) {
    const char* careful[] = {"samples/sample.cmds", "examples/mbr/patch.cmds", "examples/sqlite/patch.cmds",
                             "examples/zip/patch.cmds", "examples/elf/find.cmds"};
    for (const char* stream : careful) EXPECT_EQ(Lint(kProject / stream), std::vector<std::string>{}) << stream;
}

// The lines under a finding say what the line will do: every byte a REP
// writes is shown, the first one too.
TEST(FormatFinding, ShowsWhatTheLineDoes) {
    const std::vector<Finding> findings = LintStream("PAGE 0\nVER 1 00\nREP 1 AB0C\nWRITE\n", 4096);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(FormatFinding("s", findings[0]),
              "s:3:1: warning: REP changes bytes that no VER since the PAGE on line 1 checked: offset 2\n"
              "    REP 1 AB0C\n"
              "    writes the 2 bytes AB 0C at offset 1\n"
              "    what those bytes held before is nowhere in the stream\n");
}

// The exit status is what scripts rely on.
TEST(RunCheck, ExitStatus) {
    const std::string wrong = (kHere / "wrong_streams.cmds").string();
    const std::string careful = (kProject / "samples/sample.cmds").string();
    testing::ScratchFolder folder;
    ASSERT_TRUE(folder.Ready());
    const std::string sample = ReadBytes(kProject / "samples/sample.bin");
    const std::string target = folder.Path("sample.bin");
    const std::string failing = folder.Path("failing.cmds");
    const std::string missing = folder.Path("missing.bin");
    const std::string directory = folder.Path("");
    std::ofstream(target, std::ios::binary) << sample;
    std::ofstream(failing, std::ios::binary) << "PAGE 0\nVER 0 00\nREP 0 FF\nWRITE\n";
    // Clean only as one stream: the page of the first is dumped by the second.
    const std::string loads = folder.Path("loads.cmds");
    const std::string dumps = folder.Path("dumps.cmds");
    const std::string runs_on = folder.Path("runs_on.cmds");  // its DUMP joins the next line: DUMPDUMP
    std::ofstream(loads, std::ios::binary) << "PAGE 0\n";
    std::ofstream(dumps, std::ios::binary) << "DUMP 0 16\n";
    std::ofstream(runs_on, std::ios::binary) << "PAGE 0\nDUMP";
    struct Case {
        std::vector<const char*> arguments;
        int status;
    } cases[] = {
        {{"-q", careful.c_str()}, kCheckClean},
        {{"-q", careful.c_str(), wrong.c_str()}, kCheckFindings},
        {{"-q", careful.c_str(), "/nonexistent/stream.cmds"}, kCheckTrouble},
        {{"-q", "--unknown", careful.c_str()}, kCheckTrouble},
        {{"-q", careful.c_str(), "--dry-run"}, kCheckTrouble},
        {{"-q", "-P:0", careful.c_str()}, kCheckTrouble},
        {{"--help"}, kCheckClean},
        // A dry run's status follows its log; the file is never changed.
        {{"-q", "--dry-run", target.c_str(), careful.c_str()}, kCheckClean},
        {{"-q", "--dry-run", target.c_str(), failing.c_str()}, kCheckFindings},
        {{"-q", "--dry-run", missing.c_str(), careful.c_str()}, kCheckTrouble},
        {{"-q", "--dry-run", directory.c_str(), careful.c_str()}, kCheckTrouble},
        // Streams of a dry run are checked joined, as the run reads them.
        {{"-q", loads.c_str(), dumps.c_str()}, kCheckFindings},
        {{"-q", "--dry-run", target.c_str(), loads.c_str(), dumps.c_str()}, kCheckClean},
        {{"-q", "--dry-run", target.c_str(), runs_on.c_str(), dumps.c_str()}, kCheckFindings},
        // -P:8M is a page size of 8, as PAGESIZE 8M is.
        {{"-q", "-P:8M", loads.c_str()}, kCheckFindings},
        {{"-q", "-P:8K", loads.c_str()}, kCheckClean},
        // --color takes auto, always or never, and nothing else.
        {{"-q", "--color=always", "--dry-run", target.c_str(), "--changes", careful.c_str()}, kCheckClean},
        {{"-q", "--color=rainbow", "--dry-run", target.c_str(), "--changes", careful.c_str()}, kCheckTrouble},
        {{"-q", "--color=", careful.c_str()}, kCheckTrouble},
    };
    for (Case& c : cases) {
        c.arguments.insert(c.arguments.begin(), "varnex-check");
        testing::CapturedOutput output;  // --help prints to standard output
        EXPECT_EQ(RunCheck(static_cast<int>(c.arguments.size()), c.arguments.data()), c.status) << "case " << (&c - cases);
    }
    EXPECT_TRUE(ReadBytes(target) == sample) << "a dry run changed the file";
}

// A finding of the joined stream names the stream and the line there: a
// stream that is empty, or whose last line runs on into the next stream's
// first line, must not shift the lines of the streams after it.
std::vector<NamedStream> Streams(const std::vector<std::pair<std::string, std::string>>& texts) {
    std::vector<NamedStream> streams;
    for (const auto& [label, bytes] : texts) streams.push_back({label, std::make_unique<StoredStream>(bytes)});
    return streams;
}

std::string ReadAll(ByteSource& source) {
    std::string bytes;
    for (int byte; (byte = source.Next()) != ByteSource::kEnd;) bytes += static_cast<char>(byte);
    return bytes;
}

TEST(JoinedStreams, TracesEachLineToItsStream) {
    const std::vector<NamedStream> streams = Streams({{"a", "A\nB\n"}, {"empty", ""}, {"open", "C"}, {"d", "D\nE\n"}});
    const JoinedStreams joined(streams);
    StoredStreamSource source = joined.Source();
    EXPECT_EQ(ReadAll(source), "A\nB\nCD\nE\n");
    const std::pair<std::size_t, std::size_t> wanted[] = {{0, 1}, {0, 2}, {2, 1}, {3, 2}};
    for (std::size_t line = 1; line <= std::size(wanted); ++line) {
        const JoinedStreams::Place place = joined.Trace(line);
        EXPECT_EQ(std::make_pair(place.stream, place.line), wanted[line - 1]) << "joined line " << line;
    }
    EXPECT_EQ(joined.RunOn(), std::vector<std::size_t>{2});
}

// Streams longer than memory holds go to a temporary file; a block read
// back from the wrong place, or a stream boundary inside a block, would
// change the joined bytes.
TEST(JoinedStreams, ReadsLongStreamsBackWhole) {
    std::string long_text;
    for (int line = 0; long_text.size() < (std::size_t{9} << 20); ++line) {
        long_text += "VER 0x" + std::to_string(line) + " 00\n";
    }
    const std::vector<NamedStream> streams = Streams({{"long", long_text}, {"short", "WRITE\n"}, {"again", long_text}});
    StoredStreamSource source = JoinedStreams(streams).Source();
    EXPECT_TRUE(ReadAll(source) == long_text + "WRITE\n" + long_text);
    EXPECT_FALSE(source.Failed());
}

std::vector<std::string> FolderListing(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().string());
    std::sort(names.begin(), names.end());
    return names;
}

// --undo never goes over the file of the run or a stream it reads, whatever
// name leads there, and an undo file that cannot be made or put in place
// leaves nothing behind: exit 2, and the file, the stream and the folder as
// they were.
TEST(RunCheck, UndoRefusesTheFilesOfTheRunAndLeavesNothingWhenItFails) {
    testing::ScratchFolder folder;
    ASSERT_TRUE(folder.Ready());
    const std::string sample = ReadBytes(kProject / "samples/sample.bin");
    const std::string patch = "PAGE 0\nVER 0 " + Hex(sample.substr(0, 2)) + "\nREP 0 A55A\nWRITE\n";
    const std::string target = folder.Path("sample.bin");
    const std::string stream = folder.Path("patch.cmds");
    std::ofstream(target, std::ios::binary) << sample;
    std::ofstream(stream, std::ios::binary) << patch;
    std::filesystem::create_hard_link(target, folder.Path("other-name.bin"));
    std::filesystem::create_directory(folder.Path("folder"));
    const std::string refused[] = {target,          folder.Path("./sample.bin"), folder.Path("other-name.bin"),
                                   stream,          folder.Path("./patch.cmds"), folder.Path("missing/undo.cmds"),
                                   folder.Path("folder")};
    const std::vector<std::string> before = FolderListing(folder.Path(""));
    for (const std::string& undo : refused) {
        const char* argv[] = {"varnex-check", "-q", "--dry-run", target.c_str(), "--undo", undo.c_str(), stream.c_str()};
        EXPECT_EQ(RunCheck(static_cast<int>(std::size(argv)), argv), kCheckTrouble) << undo;
        EXPECT_TRUE(ReadBytes(target) == sample && ReadBytes(stream) == patch) << undo;
        EXPECT_EQ(FolderListing(folder.Path("")), before) << undo;
    }
    const std::string undo = folder.Path("undo.cmds");
    const char* argv[] = {"varnex-check", "-q", "--dry-run", target.c_str(), "--undo", undo.c_str(), stream.c_str()};
    EXPECT_EQ(RunCheck(static_cast<int>(std::size(argv)), argv), kCheckClean);
    EXPECT_NE(ReadBytes(undo).find("\nREP 0x0 " + Hex(sample.substr(0, 2)) + "\nWRITE\n/*\n"), std::string::npos);
}

// The change view of a known run, whole: the pages the run writes merge
// where they touch, each row with a change shows old above new with the
// changed bytes marked, the last partial row ends early, and rows without a
// change are left out.
TEST(WriteChangeOutputs, ShowsTheRunsChangesAsTheGoldenText) {
    testing::ScratchFolder folder;
    ASSERT_TRUE(folder.Ready());
    const std::string target = folder.Path("letters.bin");
    std::ofstream(target, std::ios::binary) << "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const std::string stream =
        "PAGESIZE 16\nPAGE 0\nVER 0 30\nREP 0 2D\nWRITE\nPAGE 0x10\nVER 0xE 7576\nREP 0xE 5556\nWRITE\n"
        "PAGE 0x30\nVER 0xC 595A\nREP 0xC 797A\nWRITE\n";
    const char* argv[] = {"varnex-check", "--dry-run", target.c_str(), "--changes"};
    const CheckOptions options = ParseCheckOptions(static_cast<int>(std::size(argv)), argv);
    OverlayFileSystem files(SystemFileSystem());
    {
        testing::CapturedOutput log;
        RunDryRun(target.c_str(), nullptr, stream, files);
    }
    std::FILE* view = testing::ScratchStream();
    ASSERT_NE(view, nullptr);
    std::string error;
    EXPECT_TRUE(WriteChangeOutputs(options, files, view, error)) << error;
    std::rewind(view);
    std::string shown;
    for (int c; (c = std::fgetc(view)) != EOF;) shown += static_cast<char>(c);
    std::fclose(view);
    EXPECT_EQ(shown, ReadBytes(kHere / "change_view.expected"));
}

}  // namespace
}  // namespace varnex
