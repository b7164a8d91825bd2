// varnex-diff run as a program, its streams run by the real varnex: the
// round trip over generated file pairs, the exit statuses and messages, and
// a sparse file past 4 GiB.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "check/stream_lint.h"
#include "support/scratch_folder.h"
#include "support/shell_command.h"

namespace varnex {
namespace {

using testing::ReadAll;
using testing::WriteAll;
using testing::RunCommand;

std::string Diff(const std::string& arguments) { return std::string(VARNEX_DIFF_BINARY) + " -q " + arguments; }

// Runs `stream` with varnex on `file`.
void Apply(const std::string& file, const std::string& stream) {
    ASSERT_EQ(RunCommand(std::string(VARNEX_BINARY) + " '" + file + "' < '" + stream + "' > /dev/null"), 0);
}

// Changes at and around every page boundary, a run longer than a data line,
// changes in the last partial page, and a change of letter case only.
std::string ChangedCopy(const std::string& old_bytes, std::uint32_t page, std::mt19937& random) {
    std::string bytes = old_bytes;
    auto flip = [&](std::size_t at) {
        if (at < bytes.size()) bytes[at] = static_cast<char>(bytes[at] ^ (1 + random() % 255));
    };
    for (std::size_t boundary = page; boundary < bytes.size() + page; boundary += page) {
        if (random() % 2) flip(boundary - 1);
        if (random() % 2) flip(boundary);
        if (random() % 3 == 0) flip(boundary + 1 + random() % 7);
    }
    const std::size_t run_start = random() % bytes.size();
    for (std::size_t at = run_start; at < run_start + 300; ++at) flip(at);
    flip(bytes.size() - 1);
    flip(bytes.size() - 2 - random() % 5);
    bytes[random() % bytes.size()] = 'q';  // the letter whose case changes below
    return bytes;
}

void ExpectLintClean(const std::string& stream) {
    for (const Finding& finding : LintStream(stream, 4096)) {
        EXPECT_EQ(finding.severity, Severity::kNote) << finding.line << ": " << finding.message;
    }
}

// Every PAGE starts at a multiple of the page size, so that its WRITE covers
// whole blocks of the file system.
void ExpectAlignedPages(const std::string& stream, std::uint32_t page) {
    for (std::size_t at = stream.find("\nPAGE "); at != std::string::npos; at = stream.find("\nPAGE ", at + 1)) {
        std::string text = stream.substr(at + 6, stream.find('\n', at + 1) - at - 6);
        const std::size_t colon = text.find(':');
        std::uint64_t offset = std::stoull(text.substr(0, colon), nullptr, 16);
        if (colon != std::string::npos) offset = (offset << 32) + std::stoull(text.substr(colon + 1), nullptr, 16);
        EXPECT_EQ(offset % page, 0u) << "PAGE " << text;
    }
}

// The property: the stream makes OLD equal to NEW, changes nothing on NEW,
// changes nothing on a file that is not OLD, and lints clean.
TEST(DiffRoundTrip, TheStreamMakesOldEqualToNewAndNothingElse) {
    testing::ScratchFolder folder;
    ASSERT_TRUE(folder.Ready());
    std::mt19937 random(20261209);
    const std::uint32_t pages[] = {1, 16, 100, 4096};
    for (int trial = 0; trial < 16; ++trial) {
        const std::uint32_t page = pages[trial % 4];
        const bool verify = trial % 8 >= 4;
        std::string old_bytes(1 + random() % (page == 1 ? 600 : 9000), '\0');
        for (char& byte : old_bytes) byte = static_cast<char>(random());
        std::string new_bytes = ChangedCopy(old_bytes, page, random);
        const std::size_t letter = new_bytes.find('q');
        old_bytes[letter] = 'Q';
        WriteAll(folder.Path("old"), old_bytes);
        WriteAll(folder.Path("new"), new_bytes);
        std::string options = "-P:" + std::to_string(page) + (verify ? " --verify-pages" : "");
        ASSERT_EQ(RunCommand(Diff(options + " " + folder.Path("old") + " " + folder.Path("new") + " > " + folder.Path("s"))), 1);
        const std::string stream = ReadAll(folder.Path("s"));
        SCOPED_TRACE(options + "\n" + stream.substr(0, 2000));
        ExpectLintClean(stream);
        ExpectAlignedPages(stream, page);
        for (const char* name : {"old", "new"}) {
            WriteAll(folder.Path("work"), std::string(name) == "old" ? old_bytes : new_bytes);
            Apply(folder.Path("work"), folder.Path("s"));
            EXPECT_EQ(ReadAll(folder.Path("work")), new_bytes) << "run on " << name;
        }
        std::string other = old_bytes;
        for (char& byte : other) byte = static_cast<char>(byte ^ 0x80);
        WriteAll(folder.Path("work"), other);
        Apply(folder.Path("work"), folder.Path("s"));
        EXPECT_EQ(ReadAll(folder.Path("work")), other) << "a file that is not OLD was written";
    }
}

struct StatusCase {
    const char* what;
    const char* options;
    const char* old_name;
    const char* new_name;
    int status;
    bool writes_stream;
    std::string error_text;  // a part of standard error
};

TEST(DiffExitStatus, SameDifferentAndTroubleAreToldApart) {
    testing::ScratchFolder folder;
    ASSERT_TRUE(folder.Ready());
    WriteAll(folder.Path("a"), "abcdef");
    WriteAll(folder.Path("b"), "abcdeF");
    WriteAll(folder.Path("c"), "abcdefg");
    WriteAll(folder.Path("e"), "aBcdef");
    ASSERT_EQ(::mkdir(folder.Path("d").c_str(), 0755), 0);
    const StatusCase cases[] = {
        {"equal files", "", "a", "a", 0, true, ""},
        {"files that differ", "", "a", "b", 1, true, ""},
        {"sizes that differ", "", "a", "c", 2, false, "varnex-diff: "},
        {"a missing file", "", "a", "missing", 2, false, std::strerror(ENOENT)},
        {"a directory", "", "d", "a", 2, false, std::strerror(EISDIR)},
        {"a change of letter case only", "", "a", "e", 1, true, "1 page changes only the case of letters"},
        {"standard input as both files", "", "-", "-", 2, false, "not both"},
        {"a page size in KiB", "-P:1024K", "a", "b", 1, true, ""},
        {"a page size in MiB, once read as 1", "-P:1M", "a", "b", 2, false, "'1M' is refused"},
        {"a page size over 1 MiB, once clamped", "-P:2048K", "a", "b", 2, false, "'2048K' is refused"},
        {"a hexadecimal page size over 1 MiB", "-P:0x100001", "a", "b", 2, false, "refused"},
        {"a letter read as a digit", "-P:4x", "a", "b", 2, false, "refused"},
    };
    for (const StatusCase& c : cases) {
        SCOPED_TRACE(c.what);
        const auto path = [&](const char* name) { return std::string(name) == "-" ? "- < /dev/null" : folder.Path(name); };
        const int status = RunCommand(Diff(std::string(c.options) + " " + path(c.old_name) + " " + path(c.new_name) +
                                           " > " + folder.Path("out") + " 2> " + folder.Path("err")));
        EXPECT_EQ(status, c.status);
        const std::string out = ReadAll(folder.Path("out"));
        EXPECT_EQ(out.empty(), !c.writes_stream);
        if (c.writes_stream) {
            EXPECT_EQ(out.substr(out.size() - 3), "/*\n");
        }
        EXPECT_NE(ReadAll(folder.Path("err")).find(c.error_text), std::string::npos) << ReadAll(folder.Path("err"));
    }
}

// A page at or past 4 GiB is addressed as high:low, and varnex puts the
// bytes there; a hole reads as zeros on both sides.
TEST(DiffLargeFile, PagesPastFourGibibytesAreAddressedHighColonLow) {
    testing::ScratchFolder folder;
    ASSERT_TRUE(folder.Ready());
    constexpr off_t kSize = (off_t{1} << 32) + 8192;
    constexpr off_t kChange = (off_t{1} << 32) + 0x10;
    for (const char* name : {"old", "new"}) {
        const int file = ::open(folder.Path(name).c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(file, 0);
        ASSERT_EQ(::ftruncate(file, kSize), 0);
        if (std::string(name) == "new") {
            ASSERT_EQ(::pwrite(file, "XY", 2, kChange), 2);
        }
        ::close(file);
    }
    ASSERT_EQ(RunCommand(Diff(folder.Path("old") + " " + folder.Path("new") + " > " + folder.Path("s"))), 1);
    const std::string stream = ReadAll(folder.Path("s"));
    EXPECT_NE(stream.find("\nPAGE 0x1:0\nVER 0x10 0000\nREP 0x10 5859\nWRITE\n"), std::string::npos) << stream;
    Apply(folder.Path("old"), folder.Path("s"));
    char bytes[4] = {};
    const int file = ::open(folder.Path("old").c_str(), O_RDONLY);
    ASSERT_EQ(::pread(file, bytes, 4, kChange - 1), 4);
    ::close(file);
    EXPECT_EQ(std::string(bytes, 4), std::string("\0XY\0", 4));
}

// Holes are passed over only where both files have one: data in one file
// against a hole in the other is compared (the hole as zeros), so bytes of
// OLD where NEW has a hole are changed back to zeros, and zeros written into
// NEW where OLD has a hole are no change.
TEST(DiffLargeFile, AHoleInOneFileIsComparedWithTheOthersData) {
    testing::ScratchFolder folder;
    ASSERT_TRUE(folder.Ready());
    constexpr off_t kSize = off_t{6} << 30;
    const std::string zeros(8192, '\0');
    for (const char* name : {"old", "new"}) {
        const int file = ::open(folder.Path(name).c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(file, 0);
        ASSERT_EQ(::ftruncate(file, kSize), 0);
        const bool old_side = std::string(name) == "old";
        const ssize_t written = old_side ? ::pwrite(file, "AB", 2, (off_t{3} << 30) + 5)
                                         : ::pwrite(file, zeros.data(), zeros.size(), off_t{1} << 30);
        EXPECT_EQ(written, old_side ? 2 : 8192);
        ::close(file);
    }
    ASSERT_EQ(RunCommand(Diff(folder.Path("old") + " " + folder.Path("new") + " > " + folder.Path("s"))), 1);
    const std::string stream = ReadAll(folder.Path("s"));
    EXPECT_NE(stream.find("* 2 bytes change in 1 page.\nPAGESIZE 4096\nPAGE 0xC0000000\nVER 0x5 4142\nREP 0x5 0000\n"),
              std::string::npos)
        << stream;
}

// What a stream says after the names of its inputs.
std::string Body(const std::string& stream) {
    const std::size_t names = stream.find("* New file: ");
    return names == std::string::npos ? stream : stream.substr(stream.find('\n', names));
}

struct PipeCase {
    const char* what;
    const char* command;  // O, N: the files; F: a FIFO; D: varnex-diff
    int status;
};

// An input that cannot be sized in advance is read to its end: the stream is
// the one the files give, and a size found different at the end, or as soon
// as one input runs past the other, leaves standard output empty.
TEST(DiffPipes, InputsOfUnknownSizeGiveTheFilesStreamOrNothing) {
    testing::ScratchFolder folder;
    ASSERT_TRUE(folder.Ready());
    std::mt19937 random(20261210);
    std::string old_bytes((9 << 20) + 123, '\0');
    for (char& byte : old_bytes) byte = static_cast<char>(random());
    std::string new_bytes = old_bytes;
    for (const std::size_t at : {std::size_t{17}, std::size_t{(4 << 20) - 1}, std::size_t{4 << 20}, old_bytes.size() - 1}) {
        new_bytes[at] = static_cast<char>(~new_bytes[at]);
    }
    WriteAll(folder.Path("O"), old_bytes);
    WriteAll(folder.Path("N"), new_bytes);
    ASSERT_EQ(::mkfifo(folder.Path("F").c_str(), 0600), 0);
    ASSERT_EQ(RunCommand(Diff(folder.Path("O") + " " + folder.Path("N") + " > " + folder.Path("files"))), 1);
    const std::string expected = Body(ReadAll(folder.Path("files")));
    const PipeCase cases[] = {
        {"NEW on standard input", "D O - < N", 1},
        {"NEW through a pipe", "cat N | D O -", 1},
        {"OLD through a pipe", "cat O | D - N", 1},
        {"NEW through a FIFO", "cat N > F & D O F", 1},
        {"NEW through /dev/stdin", "cat N | D O /dev/stdin", 1},
        {"both through pipes", "cat O > F & cat N | D F -", 1},
        {"NEW a byte short", "head -c -1 N | D O -", 2},
        {"NEW running past OLD", "cat N N | D O -", 2},
        {"OLD running past NEW, both pipes", "cat O O > F & cat N | D F -", 2},
        {"NEW a byte short, both pipes", "cat O > F & head -c -1 N | D F -", 2},
    };
    for (const PipeCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::string command;
        for (const char* at = c.command; *at != '\0'; ++at) {
            if (*at == 'D') command += Diff("");
            else if (*at == 'O' || *at == 'N' || *at == 'F') command += folder.Path(std::string(1, *at).c_str());
            else command += *at;
        }
        EXPECT_EQ(RunCommand("{ " + command + "; } > " + folder.Path("out") + " 2> " + folder.Path("err")), c.status)
            << ReadAll(folder.Path("err"));
        const std::string out = ReadAll(folder.Path("out"));
        EXPECT_EQ(c.status == 1 ? Body(out) : out, c.status == 1 ? expected : "");
    }
}

// A small pair that differs, and the stream varnex-diff writes for it.
void WritePair(const testing::ScratchFolder& folder) {
    std::string old_bytes(5000, 'a');
    for (std::size_t at = 0; at < old_bytes.size(); ++at) old_bytes[at] = static_cast<char>('a' + at % 26);
    std::string new_bytes = old_bytes;
    new_bytes[3] = '!';
    new_bytes[4097] = '?';
    WriteAll(folder.Path("old"), old_bytes);
    WriteAll(folder.Path("new"), new_bytes);
}

struct OutputFileCase {
    const char* what;
    std::string arguments;
    int status;
    const char* written;  // the file that must hold what standard output gives, or nullptr
};

// -o gives what standard output gives, whole; it never goes over OLD or NEW,
// under any name, and a -o without its name is refused (exit 2, nothing
// written, both files as they were), not read past the arguments.
TEST(DiffOutputFile, GivesWhatStandardOutputGivesAndNeverGoesOverAnInput) {
    testing::ScratchFolder folder;
    ASSERT_TRUE(folder.Ready());
    WritePair(folder);
    const std::string old_bytes = ReadAll(folder.Path("old"));
    const std::string new_bytes = ReadAll(folder.Path("new"));
    ASSERT_EQ(::symlink("old", folder.Path("old-link").c_str()), 0);
    const std::string pair = folder.Path("old") + " " + folder.Path("new");
    ASSERT_EQ(RunCommand(Diff(pair + " > " + folder.Path("reference"))), 1);
    const OutputFileCase cases[] = {
        {"-o FILE", "-o " + folder.Path("out") + " " + pair, 1, "out"},
        {"-o after the files", pair + " -o " + folder.Path("after"), 1, "after"},
        {"-o OLD", "-o " + folder.Path("old") + " " + pair, 2, nullptr},
        {"-o NEW", "-o " + folder.Path("new") + " " + pair, 2, nullptr},
        {"-o a link to OLD", "-o " + folder.Path("old-link") + " " + pair, 2, nullptr},
        {"a trailing -o", pair + " -o", 2, nullptr},
    };
    for (const OutputFileCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(RunCommand(Diff(c.arguments + " > " + folder.Path("stdout") + " 2> " + folder.Path("stderr"))),
                  c.status);
        EXPECT_EQ(ReadAll(folder.Path("stdout")), "");
        EXPECT_EQ(ReadAll(folder.Path("stderr")).empty(), c.status != 2);
        if (c.written != nullptr) {
            EXPECT_EQ(ReadAll(folder.Path(c.written)), ReadAll(folder.Path("reference")));
        }
        EXPECT_TRUE(ReadAll(folder.Path("old")) == old_bytes && ReadAll(folder.Path("new")) == new_bytes);
    }
}

// The two programs' whole-or-nothing outputs, writing to `out`.
struct OutputProgram {
    const char* what;
    std::function<std::string(const std::string& out)> command;
    int status;
};

struct OutputKindCase {
    const char* what;
    const char* name;  // given to the program
    std::function<void(const std::string& reference)> check;
};

mode_t ModeOf(const std::string& path, bool follow) {
    struct stat status {};
    EXPECT_EQ(follow ? ::stat(path.c_str(), &status) : ::lstat(path.c_str(), &status), 0) << path;
    return status.st_mode;
}

// -o and --undo write where a symbolic link leads (a chain, a relative link,
// a link to a file not made yet) and keep the links and the file's
// permissions; a FIFO and a character device are written straight through
// and stay what they are, never replaced by a regular file.
TEST(NonRegularOutputs, StayWhatTheyAreAndGetTheBytes) {
    testing::ScratchFolder folder;
    ASSERT_TRUE(folder.Ready());
    WritePair(folder);
    const std::string pair = folder.Path("old") + " " + folder.Path("new");
    ASSERT_EQ(RunCommand(Diff(pair + " > " + folder.Path("stream"))), 1);
    const OutputProgram programs[] = {
        {"varnex-diff -o", [&](const std::string& out) { return Diff("-o " + out + " " + pair); }, 1},
        {"varnex-check --undo",
         [&](const std::string& out) {
             return std::string(VARNEX_CHECK_BINARY) + " -q --dry-run " + folder.Path("old") + " --undo " + out + " " +
                    folder.Path("stream");
         },
         0},
    };
    ASSERT_EQ(::mkdir(folder.Path("d").c_str(), 0755), 0);
    ASSERT_EQ(::symlink("d/target", folder.Path("relative").c_str()), 0);
    ASSERT_EQ(::symlink(folder.Path("relative").c_str(), folder.Path("chain").c_str()), 0);
    ASSERT_EQ(::symlink("d/not-yet", folder.Path("dangling").c_str()), 0);
    ASSERT_EQ(::mkfifo(folder.Path("fifo").c_str(), 0600), 0);
    // A device of the null device's numbers, made here where root may; else
    // the null device itself, which only root could have broken.
    const bool own_device = ::mknod(folder.Path("null").c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0;
    const std::string device = own_device ? folder.Path("null") : "/dev/null";
    const OutputKindCase kinds[] = {
        {"a chain of links", "chain",
         [&](const std::string& reference) {
             EXPECT_TRUE(S_ISLNK(ModeOf(folder.Path("chain"), false)));
             EXPECT_TRUE(S_ISLNK(ModeOf(folder.Path("relative"), false)));
             EXPECT_EQ(ReadAll(folder.Path("d/target")), reference);
             EXPECT_EQ(ModeOf(folder.Path("d/target"), true) & 07777, 0640u) << "the permissions were not kept";
         }},
        {"a link to a file not made yet", "dangling",
         [&](const std::string& reference) {
             EXPECT_TRUE(S_ISLNK(ModeOf(folder.Path("dangling"), false)));
             EXPECT_EQ(ReadAll(folder.Path("d/not-yet")), reference);
         }},
        {"a FIFO", "fifo",
         [&](const std::string& reference) {
             EXPECT_TRUE(S_ISFIFO(ModeOf(folder.Path("fifo"), false)));
             EXPECT_EQ(ReadAll(folder.Path("from-fifo")), reference);
         }},
        {"a character device", device.c_str(),
         [&](const std::string&) { EXPECT_TRUE(S_ISCHR(ModeOf(device, false))) << device << " was replaced"; }},
    };
    for (const OutputProgram& program : programs) {
        ASSERT_EQ(RunCommand(program.command(folder.Path("reference"))), program.status) << program.what;
        const std::string reference = ReadAll(folder.Path("reference"));
        ASSERT_FALSE(reference.empty());
        for (const OutputKindCase& kind : kinds) {
            SCOPED_TRACE(std::string(program.what) + " to " + kind.what);
            WriteAll(folder.Path("d/target"), "old contents");
            ASSERT_EQ(::chmod(folder.Path("d/target").c_str(), 0640), 0);
            ::unlink(folder.Path("d/not-yet").c_str());
            const std::string name = kind.name[0] == '/' ? kind.name : folder.Path(kind.name);
            // A reader for the FIFO, which the writer's open waits for; bounded,
            // so that a FIFO replaced by a file cannot hang the test.
            const bool fifo = std::string(kind.name) == "fifo";
            const std::string reader = "timeout 20 cat " + name + " > " + folder.Path("from-fifo") + " & ";
            EXPECT_EQ(RunCommand((fifo ? reader : "") + program.command(name) + "; s=$?; wait; exit $s"),
                      program.status);
            kind.check(reference);
        }
    }
}

// varnex-diff --changes and the dry run's --changes of the stream it wrote
// show one view of one change, byte for byte, coloured or not, whatever the
// page size: every row with a change whole (a view cut after the last
// changed byte showed a shorter row), old above new. --color=always colours
// through a pipe, never does not, and any other choice is refused.
TEST(ChangeViews, TheDifferAndTheDryRunShowTheSameRows) {
    testing::ScratchFolder folder;
    ASSERT_TRUE(folder.Ready());
    WritePair(folder);
    const std::string old_file = folder.Path("old");
    const std::string pair = old_file + " " + folder.Path("new");
    const std::string check = VARNEX_CHECK_BINARY;
    for (const char* page : {"-P:4096", "-P:512", "-P:100"}) {
        for (const char* colour : {"--color=never", "--color=always"}) {
            SCOPED_TRACE(std::string(page) + " " + colour);
            const std::string options = std::string(page) + " --changes " + colour + " ";
            ASSERT_EQ(RunCommand(Diff(std::string(page) + " " + pair + " > " + folder.Path("stream"))), 1);
            ASSERT_EQ(RunCommand(Diff(options + pair + " > " + folder.Path("diff-view"))), 1);
            ASSERT_EQ(RunCommand(check + " " + options + "--dry-run " + old_file + " " + folder.Path("stream") + " > " +
                                 folder.Path("check-view")),
                      0);
            const std::string view = ReadAll(folder.Path("diff-view"));
            EXPECT_EQ(view, ReadAll(folder.Path("check-view")));
            if (std::string(colour) == "--color=never") {
                // The row of the change at byte 3 runs on to byte 15, wherever the page starts.
                const std::size_t row = view.find("21 65 66 67");
                ASSERT_NE(row, std::string::npos) << view;
                EXPECT_NE(view.substr(row, view.find('\n', row) - row).find("6C 6D 6E 6F 70"), std::string::npos)
                    << view;
            }
            EXPECT_EQ(view.find('\x1b') != std::string::npos, std::string(colour) == "--color=always") << view;
        }
    }
    for (const std::string& refused : {Diff("--color=yes " + pair), Diff("--color " + pair),
                                       check + " --color=sometimes --dry-run " + old_file + " --changes " +
                                           folder.Path("stream")}) {
        EXPECT_EQ(RunCommand(refused + " > " + folder.Path("out") + " 2> /dev/null"), 2) << refused;
        EXPECT_EQ(ReadAll(folder.Path("out")), "") << refused;
    }
}

}  // namespace
}  // namespace varnex
