// varnex-apply run as a program on real files: the state of a file against a
// run (--status) and what applying and taking back do in each state, the
// refusals of bad input that must leave the file alone, and runs killed at
// random moments that are finished or taken back afterwards.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>

#include "support/scratch_folder.h"
#include "support/shell_command.h"

extern char** environ;

namespace varnex {
namespace {

using testing::ReadAll;
using testing::WriteAll;
using testing::RunCommand;
using testing::ScratchFolder;

// varnex-apply with `arguments`, its output dropped; the exit status.
int Apply(const std::string& arguments) {
    return RunCommand(std::string(VARNEX_APPLY_BINARY) + " -q " + arguments + " > /dev/null 2>&1");
}

std::string RandomBytes(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(count, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

// OLD, NEW differing in pages 1 and 3 (a run of 300 bytes in page 3), and
// the stream from one to the other.
struct Pair {
    ScratchFolder folder;
    std::string old_bytes = RandomBytes(5 * 4096, 7);
    std::string new_bytes;
    std::string file = folder.Path("file");
    std::string stream = folder.Path("stream");
    Pair() {
        new_bytes = old_bytes;
        for (std::size_t i = 0; i < 8; ++i) new_bytes[4096 + 100 + i] = static_cast<char>(~old_bytes[4096 + 100 + i]);
        for (std::size_t i = 0; i < 300; ++i) new_bytes[3 * 4096 + 500 + i] = static_cast<char>(old_bytes[3 * 4096 + 500 + i] ^ 0x5A);
        WriteAll(folder.Path("old"), old_bytes);
        WriteAll(folder.Path("new"), new_bytes);
        EXPECT_EQ(RunCommand(std::string(VARNEX_DIFF_BINARY) + " -q '" + folder.Path("old") + "' '" +
                             folder.Path("new") + "' > '" + stream + "'"),
                  1);  // 1: the files differ
        WriteAll(file, old_bytes);
    }
    std::string Quoted() const { return "'" + file + "' '" + stream + "'"; }
};

// The five states, as bytes of FILE made from OLD and NEW.
struct StateCase {
    const char* name;
    std::size_t new_pages_from;  // bytes [0, this) from NEW, the rest from OLD
    bool foreign;                // a changed byte holds a third value
    int status;                  // --status
    int apply;                   // the run's exit status after it
};

// The fault each row catches: a state told for another (a torn page taken for
// not started, foreign bytes overwritten), or a finish or rollback that does
// not reach NEW or OLD from it, with the journal or from the stream alone.
TEST(ApplyProgram, EachStateIsToldAndFinishedOrTakenBack) {
    const StateCase cases[] = {
        {"applied", 5 * 4096, false, 0, 0},
        {"not applied", 0, false, 1, 0},
        {"partly", 2 * 4096, false, 3, 0},
        {"torn", 3 * 4096 + 650, false, 3, 0},
        {"foreign", 0, true, 4, 1},
    };
    for (const StateCase& c : cases) {
        SCOPED_TRACE(c.name);
        Pair pair;
        // A run applied and taken back leaves an unfinished journal, as a cut run does.
        ASSERT_EQ(Apply(pair.Quoted()), 0);
        ASSERT_EQ(Apply("--rollback '" + pair.file + "'"), 0);
        ASSERT_EQ(ReadAll(pair.file), pair.old_bytes);
        std::string state = pair.new_bytes.substr(0, c.new_pages_from) + pair.old_bytes.substr(c.new_pages_from);
        if (c.foreign) state[4096 + 103] = static_cast<char>(state[4096 + 103] ^ 0x11);
        WriteAll(pair.file, state);
        EXPECT_EQ(Apply("--status '" + pair.file + "'"), c.status);
        EXPECT_EQ(Apply(pair.Quoted()), c.apply);
        EXPECT_EQ(ReadAll(pair.file), c.foreign ? state : pair.new_bytes);
        EXPECT_EQ(Apply("--rollback '" + pair.file + "'"), c.apply);
        EXPECT_EQ(ReadAll(pair.file), c.foreign ? state : pair.old_bytes);
        // Without a journal (a plain varnex run cut short) the stream alone tells the same.
        ASSERT_EQ(::unlink((pair.file + ".varnex-journal").c_str()), 0);
        WriteAll(pair.file, state);
        EXPECT_EQ(Apply("--status " + pair.Quoted()), c.status);
        EXPECT_EQ(Apply(pair.Quoted()), c.apply);
        EXPECT_EQ(ReadAll(pair.file), c.foreign ? state : pair.new_bytes);
    }
}

// Each bad input must leave FILE as it was, with the status that says why.
TEST(ApplyProgram, BadInputIsRefusedAndLeavesTheFileAlone) {
    struct Case {
        const char* name;
        int status;
        void (*prepare)(Pair&);
        std::string (*arguments)(Pair&);
    };
    const Case cases[] = {
        {"stream that does not fit", 1, [](Pair& p) { WriteAll(p.stream, "PAGE 0\nVER 0 00112233\nREP 0 44\nWRITE\n"); },
         [](Pair& p) { return p.Quoted(); }},
        {"stream with a lint error", 1, [](Pair& p) { WriteAll(p.stream, "PAGE 0\nREP 0 4\nWRITE\n"); },
         [](Pair& p) { return p.Quoted(); }},
        {"file shorter than the pages", 1,
         [](Pair& p) { WriteAll(p.stream, "PAGE 0x6000\nVER 0 00\nREP 0 01\nWRITE\n"); },
         [](Pair& p) { return p.Quoted(); }},
        {"corrupt journal", 2,
         [](Pair& p) {
             EXPECT_EQ(Apply(p.Quoted()), 0);
             EXPECT_EQ(Apply("--rollback '" + p.file + "'"), 0);
             std::string journal = ReadAll(p.file + ".varnex-journal");
             journal[journal.find("REP 0x") + 8] ^= 1;
             WriteAll(p.file + ".varnex-journal", journal);
         },
         [](Pair& p) { return p.Quoted(); }},
        {"journal of another file", 2,
         [](Pair& p) {
             WriteAll(p.folder.Path("other"), p.old_bytes);
             EXPECT_EQ(Apply("--journal '" + p.folder.Path("j") + "' '" + p.folder.Path("other") + "' '" + p.stream + "'"), 0);
             EXPECT_EQ(Apply("--rollback --journal '" + p.folder.Path("j") + "' '" + p.folder.Path("other") + "'"), 0);
         },
         [](Pair& p) { return "--journal '" + p.folder.Path("j") + "' " + p.Quoted(); }},
        {"journal that cannot be written", 2, [](Pair&) {},
         [](Pair& p) { return "--journal /proc/varnex-apply-journal " + p.Quoted(); }},
        {"rollback without a journal", 2, [](Pair&) {}, [](Pair& p) { return "--rollback '" + p.file + "'"; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Pair pair;
        c.prepare(pair);
        const std::string before = ReadAll(pair.file);
        EXPECT_EQ(Apply(c.arguments(pair)), c.status);
        EXPECT_EQ(ReadAll(pair.file), before);
    }
}

// A journal cut short while it was written (a power cut before its sync) was
// never durable, so its run never touched FILE: it must not block a new run.
// Cut inside the first line, inside the body and inside the end line.
TEST(ApplyProgram, AJournalCutShortWhileWrittenIsDroppedAndTheRunStartsAnew) {
    Pair made;
    ASSERT_EQ(Apply(made.Quoted()), 0);
    const std::string journal = ReadAll(made.file + ".varnex-journal");
    const std::size_t end_line = journal.find("* end: ");
    for (const std::size_t cut : {std::size_t{0}, std::size_t{10}, end_line / 2, end_line + 5}) {
        SCOPED_TRACE(cut);
        Pair pair;
        WriteAll(pair.file + ".varnex-journal", journal.substr(0, cut));
        EXPECT_EQ(Apply(pair.Quoted()), 0);
        EXPECT_EQ(ReadAll(pair.file), pair.new_bytes);
    }
}

// A second run while one holds the file must not write it.
TEST(ApplyProgram, ASecondRunOnTheSameFileIsRefused) {
    Pair pair;
    const int held = ::open(pair.file.c_str(), O_RDWR);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    EXPECT_EQ(Apply(pair.Quoted()), 2);
    ::close(held);
    EXPECT_EQ(ReadAll(pair.file), pair.old_bytes);
    EXPECT_EQ(Apply(pair.Quoted()), 0);
    EXPECT_EQ(ReadAll(pair.file), pair.new_bytes);
}

// Starts varnex-apply on `arguments` and kills it after `delay`.
void KillPartway(const std::vector<std::string>& arguments, std::chrono::microseconds delay) {
    std::vector<char*> argv;
    std::string binary = VARNEX_APPLY_BINARY;
    argv.push_back(binary.data());
    std::vector<std::string> copies = arguments;
    for (std::string& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    std::this_thread::sleep_for(delay);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
}

// Whatever moment the kill comes at (before the journal, while it is written,
// between pages, after the last), rerunning ends at NEW and rolling back at OLD.
TEST(ApplyProgram, RunsKilledAtRandomMomentsAreFinishedOrTakenBack) {
    ScratchFolder folder;
    const std::string old_bytes = RandomBytes(2000 * 4096, 3);
    std::string new_bytes = old_bytes;
    for (std::size_t page = 0; page < 2000; ++page) new_bytes[page * 4096 + page % 4000] ^= 0x3C;
    WriteAll(folder.Path("old"), old_bytes);
    WriteAll(folder.Path("new"), new_bytes);
    const std::string stream = folder.Path("stream");
    ASSERT_EQ(RunCommand(std::string(VARNEX_DIFF_BINARY) + " -q '" + folder.Path("old") + "' '" + folder.Path("new") +
                         "' > '" + stream + "'"),
              1);  // 1: the files differ
    std::mt19937 random(11);
    const std::string file = folder.Path("file");
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        WriteAll(file, old_bytes);
        ::unlink((file + ".varnex-journal").c_str());
        const bool finish = round % 2 == 0;
        KillPartway({file, stream}, std::chrono::microseconds(random() % 90000));
        if (finish) {
            EXPECT_EQ(Apply("'" + file + "' '" + stream + "'"), 0);
            EXPECT_TRUE(ReadAll(file) == new_bytes);
        } else {
            Apply("--rollback '" + file + "'");
            EXPECT_TRUE(ReadAll(file) == old_bytes);
        }
    }
}

}  // namespace
}  // namespace varnex
