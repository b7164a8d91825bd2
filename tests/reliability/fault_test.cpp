// Fault tests: the real binary with a broken or closed standard output,
// closed standard descriptors, killed in the middle of a run, and sharing
// its file with another writer; a write that fails part-way through a page,
// in memory and on a real file that reaches its size limit. Each asserts the
// log and the file afterwards.

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/file.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <random>
#include <string>
#include <thread>

#include "child_process.h"
#include "command/byte_source.h"
#include "front/program_entry.h"
#include "reference_model.h"
#include "support/captured_output.h"
#include "support/fake_file_system.h"

namespace varnex::reliability {
namespace {

constexpr const char* kRunBanner = "Quillmark (Varnex) Version: 1.3.1 build: 11 mipping: ";
constexpr const char* kClosingBanner = "Quillmark (Varnex) Version: 1.3.1 build: 11 mip completed.";

// The test process itself writes into pipes whose reader may have gone.
class IgnoreBrokenPipes {
public:
    IgnoreBrokenPipes() { previous_ = std::signal(SIGPIPE, SIG_IGN); }
    ~IgnoreBrokenPipes() { std::signal(SIGPIPE, previous_); }

private:
    void (*previous_)(int);
};

// A file of `pages` pages of 4096 bytes, page p filled with the letter
// 'a' + p, and the stream that stamps "PATCH" followed by the page number's
// letter at offset 100 of every page, verifying the old bytes first, with a
// dump around each change so that the log is long.
struct PatchPlan {
    std::string original;
    std::string patched;
    std::string stream;
};

PatchPlan PlanPatches(int pages) {
    PatchPlan plan;
    for (int p = 0; p < pages; ++p) plan.original += std::string(4096, static_cast<char>('a' + p % 26));
    plan.patched = plan.original;
    for (int p = 0; p < pages; ++p) {
        const std::string stamp = "PATCH" + std::string(1, static_cast<char>('A' + p % 26));
        plan.patched.replace(static_cast<std::size_t>(p) * 4096 + 100, stamp.size(), stamp);
        std::string hex;
        for (const char c : stamp) hex += Format("%02X", static_cast<unsigned char>(c));
        const std::string old_hex = Format("%02X", static_cast<unsigned char>('a' + p % 26));
        plan.stream += Format("PAGE %d\nVER 100 %s\nREP 100 %s\nDUMP 64 128\nWRITE\n", p * 4096, old_hex.c_str(),
                              hex.c_str());
    }
    plan.stream += "/*\n";
    return plan;
}

// A child varnex whose standard input and output are pipes held by the test.
class Session {
public:
    Session(const TemporaryFolder& folder, const std::string& target) : folder_(folder) {
        int input[2];
        int output[2];
        if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0) throw std::runtime_error("pipe2");
        const int error = OpenForChild(folder.File("stderr"), O_WRONLY | O_CREAT | O_TRUNC);
        ChildSetup setup;
        setup.standard_input = input[0];
        setup.standard_output = output[1];
        setup.standard_error = error;
        setup.arguments = {target};
        pid_ = StartVarnex(setup);
        ::close(input[0]);
        ::close(output[1]);
        ::close(error);
        to_child_ = input[1];
        from_child_ = output[0];
    }
    ~Session() {
        CloseInput();
        CloseOutput();
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            WaitForChild(pid_);
        }
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void Send(const std::string& text) {
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t put = ::write(to_child_, text.data() + done, text.size() - done);
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) throw std::runtime_error("the child no longer reads its input");
            done += static_cast<std::size_t>(put);
        }
    }

    // Reads the log until `needle` appears after what earlier waits saw.
    // Returns false after ten seconds without it.
    bool WaitFor(const std::string& needle) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (;;) {
            const std::size_t found = log_.find(needle, seen_);
            if (found != std::string::npos) {
                seen_ = found + needle.size();
                return true;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0 || !ReadSome(static_cast<int>(left.count()))) return false;
        }
    }

    void CloseInput() { CloseDescriptor(to_child_); }
    void CloseOutput() { CloseDescriptor(from_child_); }

    // Ends the input, reads the rest of the log and waits for the exit.
    ChildResult Finish() {
        CloseInput();
        while (from_child_ >= 0 && ReadSome(10000)) {
        }
        const ChildResult result = WaitForChild(pid_);
        pid_ = -1;
        if (!ReadWholeFile(folder_.File("stderr")).empty()) throw std::runtime_error("varnex wrote to standard error");
        return result;
    }

    const std::string& Log() const { return log_; }

private:
    bool ReadSome(int timeout_ms) {
        pollfd ready{from_child_, POLLIN, 0};
        if (::poll(&ready, 1, timeout_ms) <= 0) return false;
        char buffer[65536];
        const ssize_t got = ::read(from_child_, buffer, sizeof buffer);
        if (got <= 0) return false;
        log_.append(buffer, static_cast<std::size_t>(got));
        return true;
    }

    static void CloseDescriptor(int& descriptor) {
        if (descriptor >= 0) ::close(descriptor);
        descriptor = -1;
    }

    const TemporaryFolder& folder_;
    pid_t pid_ = -1;
    int to_child_ = -1;
    int from_child_ = -1;
    std::string log_;
    std::size_t seen_ = 0;
};

// ---------------------------------------------------------------------------
// Standard output broken or closed: the patches are applied all the same.

TEST(BrokenStandardOutput, APipeWhoseReaderHasGoneBeforeTheStart) {
    TemporaryFolder folder;
    const PatchPlan plan = PlanPatches(24);
    const std::string target = folder.File("target.bin");
    WriteWholeFile(target, plan.original);
    WriteWholeFile(folder.File("stream"), plan.stream);
    int log_pipe[2];
    ASSERT_EQ(::pipe2(log_pipe, O_CLOEXEC), 0);
    ::close(log_pipe[0]);  // nobody will ever read the log
    ChildSetup setup;
    setup.standard_input = OpenForChild(folder.File("stream"), O_RDONLY);
    setup.standard_output = log_pipe[1];
    setup.standard_error = OpenForChild(folder.File("stderr"), O_WRONLY | O_CREAT);
    setup.arguments = {target};
    const ChildResult result = WaitForChild(StartVarnex(setup));
    ::close(setup.standard_input);
    ::close(setup.standard_output);
    ::close(setup.standard_error);
    ASSERT_TRUE(result.exited) << "ended by signal " << result.signal;
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_TRUE(ReadWholeFile(target) == plan.patched) << "a patch is missing";
}

TEST(BrokenStandardOutput, AReaderThatLeavesInTheMiddleOfTheRun) {
    IgnoreBrokenPipes ignore;
    TemporaryFolder folder;
    const PatchPlan plan = PlanPatches(16);
    const std::string target = folder.File("target.bin");
    WriteWholeFile(target, plan.original);
    Session session(folder, target);
    const std::size_t half = plan.stream.find("PAGE 32768");
    session.Send(plan.stream.substr(0, half));
    ASSERT_TRUE(session.WaitFor("MIP0117I: Write completed (4096 bytes written) at offset 0x00000000:00007000."));
    session.CloseOutput();
    session.Send(plan.stream.substr(half));
    const ChildResult result = session.Finish();
    ASSERT_TRUE(result.exited) << "ended by signal " << result.signal;
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_TRUE(ReadWholeFile(target) == plan.patched) << "a patch after the reader left is missing";
}

// A parent may hand over a pipe in non-blocking mode. A full pipe is not a
// broken one: the log must wait for its slow reader, not stop.
TEST(BrokenStandardOutput, NonBlockingPipeWithASlowReaderKeepsTheWholeLog) {
    TemporaryFolder folder;
    const PatchPlan plan = PlanPatches(40);
    const std::string target = folder.File("target.bin");
    WriteWholeFile(target, plan.original);
    // A dump of each whole page makes a log of about 750 KiB.
    std::string stream = plan.stream;
    for (std::size_t at = stream.find("DUMP 64 128"); at != std::string::npos; at = stream.find("DUMP 64 128", at)) {
        stream.replace(at, 11, "DUMP");
    }
    WriteWholeFile(folder.File("stream"), stream);
    int log_pipe[2];
    ASSERT_EQ(::pipe2(log_pipe, O_CLOEXEC), 0);
    ASSERT_EQ(::fcntl(log_pipe[1], F_SETFL, ::fcntl(log_pipe[1], F_GETFL) | O_NONBLOCK), 0);
    ChildSetup setup;
    setup.standard_input = OpenForChild(folder.File("stream"), O_RDONLY);
    setup.standard_output = log_pipe[1];
    setup.standard_error = OpenForChild(folder.File("stderr"), O_WRONLY | O_CREAT);
    setup.arguments = {target};
    const pid_t pid = StartVarnex(setup);
    ::close(setup.standard_input);
    ::close(setup.standard_output);
    ::close(setup.standard_error);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the pipe fills meanwhile
    std::string log;
    char buffer[4096];
    for (ssize_t got; (got = ::read(log_pipe[0], buffer, sizeof buffer)) != 0;) {
        if (got < 0 && errno == EINTR) continue;
        ASSERT_GT(got, 0);
        log.append(buffer, static_cast<std::size_t>(got));
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ::close(log_pipe[0]);
    const ChildResult result = WaitForChild(pid);
    ASSERT_TRUE(result.exited) << "ended by signal " << result.signal;
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_TRUE(ReadWholeFile(target) == plan.patched) << "a patch is missing";
    int written = 0;
    for (std::size_t at = log.find("MIP0117I"); at != std::string::npos; at = log.find("MIP0117I", at + 1)) ++written;
    EXPECT_EQ(written, 40) << "the log lost lines while its reader was slow (" << log.size() << " bytes arrived)";
    EXPECT_EQ(log.substr(log.size() - std::strlen(kClosingBanner) - 1), std::string(kClosingBanner) + "\n");
}

// A non-blocking standard input with nothing in it yet is not the end of the
// stream: the program waits for the commands instead of dropping them all.
TEST(NonBlockingStandardInput, CommandsThatArriveLateAreAllCarriedOut) {
    TemporaryFolder folder;
    const PatchPlan plan = PlanPatches(8);
    const std::string target = folder.File("target.bin");
    WriteWholeFile(target, plan.original);
    int command_pipe[2];
    ASSERT_EQ(::pipe2(command_pipe, O_CLOEXEC), 0);
    ASSERT_EQ(::fcntl(command_pipe[0], F_SETFL, ::fcntl(command_pipe[0], F_GETFL) | O_NONBLOCK), 0);
    ChildSetup setup;
    setup.standard_input = command_pipe[0];
    setup.standard_output = OpenForChild(folder.File("log"), O_WRONLY | O_CREAT);
    setup.standard_error = OpenForChild(folder.File("stderr"), O_WRONLY | O_CREAT);
    setup.arguments = {target};
    const pid_t pid = StartVarnex(setup);
    ::close(setup.standard_input);
    ::close(setup.standard_output);
    ::close(setup.standard_error);
    // Half the stream late, the rest later still: each wait finds the pipe empty.
    const std::size_t half = plan.stream.size() / 2;
    for (const std::string& piece : {plan.stream.substr(0, half), plan.stream.substr(half)}) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        ASSERT_EQ(::write(command_pipe[1], piece.data(), piece.size()), static_cast<ssize_t>(piece.size()));
    }
    ::close(command_pipe[1]);
    const ChildResult result = WaitForChild(pid);
    ASSERT_TRUE(result.exited) << "ended by signal " << result.signal;
    EXPECT_TRUE(ReadWholeFile(target) == plan.patched) << "commands were dropped:\n" << ReadWholeFile(folder.File("log"));
    EXPECT_EQ(ReadWholeFile(folder.File("stderr")), "");
}

// With descriptor 0, 1 or 2 closed at the start the program opens
// /dev/null in its place before the target, which must not take the number.
TEST(ClosedStandardDescriptors, StandardOutputClosedBeforeTheStart) {
    TemporaryFolder folder;
    const PatchPlan plan = PlanPatches(6);
    const std::string target = folder.File("target.bin");
    WriteWholeFile(target, plan.original);
    WriteWholeFile(folder.File("stream"), plan.stream);
    ChildSetup setup;
    setup.standard_input = OpenForChild(folder.File("stream"), O_RDONLY);
    setup.standard_error = OpenForChild(folder.File("stderr"), O_WRONLY | O_CREAT);
    setup.arguments = {target};
    const ChildResult result = WaitForChild(StartVarnex(setup));
    ::close(setup.standard_input);
    ::close(setup.standard_error);
    ASSERT_TRUE(result.exited) << "ended by signal " << result.signal;
    EXPECT_EQ(result.exit_code, 0);
    // Exactly the patches: had the target become descriptor 1, the log
    // would have been written into it.
    EXPECT_TRUE(ReadWholeFile(target) == plan.patched) << "the file is not exactly the patched file";
    EXPECT_EQ(ReadWholeFile(folder.File("stderr")), "");
}

TEST(ClosedStandardDescriptors, StandardInputClosedBeforeTheStart) {
    TemporaryFolder folder;
    // Had the target become descriptor 0, it would be read as the command
    // stream and patch itself.
    const std::string commands = "PAGE 0\nREP 0 58585858\nWRITE\n";
    const std::string target = folder.File("target.bin");
    WriteWholeFile(target, commands);
    ChildSetup setup;
    setup.standard_output = OpenForChild(folder.File("log"), O_WRONLY | O_CREAT);
    setup.standard_error = OpenForChild(folder.File("stderr"), O_WRONLY | O_CREAT);
    setup.arguments = {target};
    const ChildResult result = WaitForChild(StartVarnex(setup));
    ::close(setup.standard_output);
    ::close(setup.standard_error);
    ASSERT_TRUE(result.exited) << "ended by signal " << result.signal;
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(ReadWholeFile(target), commands);
    EXPECT_EQ(ReadWholeFile(folder.File("log")),
              std::string(kRunBanner) + target + "\n\n  - Page Size 4096\n\n\n" +
                  "MIP0105I: The end of the command stream has been reached.\n\n\n" + kClosingBanner + "\n");
}

TEST(ClosedStandardDescriptors, StandardErrorAndOutputClosedTogether) {
    TemporaryFolder folder;
    const PatchPlan plan = PlanPatches(3);
    const std::string target = folder.File("target.bin");
    WriteWholeFile(target, plan.original);
    WriteWholeFile(folder.File("stream"), plan.stream);
    ChildSetup setup;
    setup.standard_input = OpenForChild(folder.File("stream"), O_RDONLY);
    setup.arguments = {target};
    const ChildResult result = WaitForChild(StartVarnex(setup));
    ::close(setup.standard_input);
    ASSERT_TRUE(result.exited) << "ended by signal " << result.signal;
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_TRUE(ReadWholeFile(target) == plan.patched) << "the file is not exactly the patched file";
}

// Where each of descriptors 0 to 2 of a running process leads, and the
// number the target took: read from /proc once the target is open.
struct OpenDescriptors {
    std::string standard[3];
    int target = -1;
};

OpenDescriptors WaitForTargetOpen(pid_t pid, const std::string& target) {
    const std::string folder = "/proc/" + std::to_string(pid) + "/fd/";
    OpenDescriptors seen;
    for (int attempt = 0; attempt < 1000 && seen.target < 0; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        for (int number = 0; number < 16; ++number) {
            char link[4096];
            const ssize_t length = ::readlink((folder + std::to_string(number)).c_str(), link, sizeof link - 1);
            const std::string where = length > 0 ? std::string(link, static_cast<std::size_t>(length)) : "";
            if (number < 3) seen.standard[number] = where;
            if (where == target) seen.target = number;
        }
    }
    return seen;
}

// Descriptor 0 open but 1 or 2 closed: each closed one is put on /dev/null
// too (the check goes on past an open descriptor), so the target takes a
// number above 2 and a stray write to standard error cannot reach it.
TEST(ClosedStandardDescriptors, ClosedOutputOrErrorBehindAnOpenInput) {
    for (const bool output_open : {false, true}) {
        TemporaryFolder folder;
        const std::string target = folder.File("target.bin");
        WriteWholeFile(target, "abc");
        int command_pipe[2];
        ASSERT_EQ(::pipe2(command_pipe, O_CLOEXEC), 0);
        ChildSetup setup;
        setup.standard_input = command_pipe[0];
        if (output_open) setup.standard_output = OpenForChild(folder.File("log"), O_WRONLY | O_CREAT);
        setup.arguments = {target};
        const pid_t pid = StartVarnex(setup);
        ::close(command_pipe[0]);
        if (output_open) ::close(setup.standard_output);
        // The run waits for its first command with the target open.
        const OpenDescriptors seen = WaitForTargetOpen(pid, target);
        ::close(command_pipe[1]);
        const ChildResult result = WaitForChild(pid);
        EXPECT_TRUE(result.exited && result.exit_code == 0);
        EXPECT_GT(seen.target, 2) << "output open: " << output_open;
        if (!output_open) {
            EXPECT_EQ(seen.standard[1], "/dev/null");
        }
        EXPECT_EQ(seen.standard[2], "/dev/null") << "output open: " << output_open;
        EXPECT_EQ(ReadWholeFile(target), "abc");
    }
}

// ---------------------------------------------------------------------------
// Killed in the middle of a run: the log is whole up to its last line, and
// every page whose MIP0117I reached the log is in the file.

// Starts varnex on the plan's stream, kills it after `delay`, and returns
// its log: read from a pipe as it comes, or from a file afterwards.
std::string RunAndKill(const TemporaryFolder& folder, const std::string& target, bool log_on_pipe,
                       std::chrono::microseconds delay) {
    int log_pipe[2] = {-1, -1};
    ChildSetup setup;
    setup.standard_input = OpenForChild(folder.File("stream"), O_RDONLY);
    if (log_on_pipe) {
        if (::pipe2(log_pipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe2");
        setup.standard_output = log_pipe[1];
    } else {
        setup.standard_output = OpenForChild(folder.File("log"), O_WRONLY | O_CREAT | O_TRUNC);
    }
    setup.standard_error = OpenForChild(folder.File("stderr"), O_WRONLY | O_CREAT | O_TRUNC);
    setup.arguments = {target};
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = StartVarnex(setup);
    ::close(setup.standard_input);
    ::close(setup.standard_output);
    ::close(setup.standard_error);
    if (!log_on_pipe) {
        std::this_thread::sleep_for(delay);
        ::kill(pid, SIGKILL);
        WaitForChild(pid);
        return ReadWholeFile(folder.File("log"));
    }
    std::string log;
    char buffer[65536];
    bool killed = false;
    for (;;) {
        if (!killed && std::chrono::steady_clock::now() - start >= delay) {
            ::kill(pid, SIGKILL);
            killed = true;
        }
        pollfd ready{log_pipe[0], POLLIN, 0};
        if (::poll(&ready, 1, 1) <= 0) continue;
        const ssize_t got = ::read(log_pipe[0], buffer, sizeof buffer);
        if (got <= 0) break;  // the child is gone
        log.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(log_pipe[0]);
    WaitForChild(pid);
    return log;
}

TEST(KilledRun, LogCompleteAndEveryReportedWriteInTheFile) {
    TemporaryFolder folder;
    constexpr int kPages = 3000;
    const PatchPlan plan = PlanPatches(kPages);
    const std::string target = folder.File("target.bin");
    WriteWholeFile(folder.File("stream"), plan.stream);
    std::mt19937 random(7);
    int cut_in_the_middle = 0;
    for (int attempt = 0; attempt < 16; ++attempt) {
        WriteWholeFile(target, plan.original);
        const bool log_on_pipe = attempt % 2 == 0;
        std::string log = RunAndKill(folder, target, log_on_pipe, std::chrono::microseconds(2000 + random() % 60000));
        const std::string file = ReadWholeFile(target);
        ASSERT_EQ(file.size(), plan.original.size());
        if (!log.empty() && log.back() != '\n') {
            // Every line leaves in one write. A pipe takes such a write
            // whole; a file may take part of one when the kill lands while
            // the kernel copies it, and then the part ends at a page of the
            // file. Everything before that line is whole.
            ASSERT_FALSE(log_on_pipe) << "the log ends in the middle of a line";
            ASSERT_EQ(log.size() % 4096, 0u) << "the log ends in the middle of a line, not at a page of the file";
            log.erase(log.rfind('\n') + 1);
        }
        // Every line is whole: a line of the stream, a message, a dump line,
        // a banner line or empty.
        std::size_t start = 0;
        int written = 0;
        while (start < log.size()) {
            const std::size_t end = log.find('\n', start);
            const std::string line = log.substr(start, end - start);
            start = end + 1;
            const bool known = line.empty() || line.rfind("MIP01", 0) == 0 || line.rfind("+---- ", 0) == 0 ||
                               (line.size() > 6 && line[4] == ':' && line[5] == ' ') || line.rfind("  - Page", 0) == 0 ||
                               line.rfind(kRunBanner, 0) == 0 || line == kClosingBanner ||
                               plan.stream.find(line + "\n") != std::string::npos;
            ASSERT_TRUE(known) << "a broken line in the log of a killed run: '" << line << "'";
            unsigned high = 0;
            unsigned low = 0;
            if (std::sscanf(line.c_str(), "MIP0117I: Write completed (4096 bytes written) at offset 0x%8X:%8X.", &high,
                            &low) == 2) {
                ++written;
                EXPECT_EQ(file.compare(low, 4096, plan.patched, low, 4096), 0)
                    << "the page at " << low << " was reported written but is not in the file";
            }
        }
        // A page whose WRITE was never echoed cannot have been written.
        int write_echoes = 0;
        for (std::size_t at = log.find("\nWRITE\n"); at != std::string::npos; at = log.find("\nWRITE\n", at + 1)) {
            ++write_echoes;
        }
        for (int p = write_echoes; p < kPages; ++p) {
            EXPECT_EQ(file.compare(static_cast<std::size_t>(p) * 4096, 4096, plan.original,
                                   static_cast<std::size_t>(p) * 4096, 4096),
                      0)
                << "page " << p << " changed though its WRITE was never read";
        }
        if (written > 0 && log.find(kClosingBanner) == std::string::npos) ++cut_in_the_middle;
    }
    EXPECT_GT(cut_in_the_middle, 0) << "no kill landed in the middle of a run; the stream is too short";
}

// ---------------------------------------------------------------------------
// Another process writes the file during a run: nothing is locked, every
// PAGE reads what the file holds then, and a WRITE puts back its whole page.

TEST(SharedFile, AnotherWriterDuringTheRun) {
    IgnoreBrokenPipes ignore;
    TemporaryFolder folder;
    const std::string target = folder.File("target.bin");
    WriteWholeFile(target, std::string(4096, 'a') + std::string(4096, 'b') + std::string(4096, 'c'));
    Session session(folder, target);
    session.Send("PAGE 0\n");
    ASSERT_TRUE(session.WaitFor("MIP0110I: Page command completed 4096 bytes loaded from offset 0x00000000:00000000."));

    // Another process (this one) opens the file for writing and locks it:
    // varnex holds no lock of either kind.
    const int other = ::open(target.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(other, 0);
    EXPECT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0) << "the file is locked (flock)";
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    EXPECT_EQ(::fcntl(other, F_SETLK, &whole), 0) << "the file is locked (fcntl)";
    ASSERT_EQ(::pwrite(other, "OTHER", 5, 100), 5);
    ASSERT_EQ(::pwrite(other, "OTHER", 5, 4096 + 100), 5);

    // The page in memory is the one read before; loading it again sees the
    // other writer's bytes.
    session.Send("VER 100 6161616161\nPAGE 0\nVER 100 6F74686572\nREP 0 5A5A\nWRITE\n");
    ASSERT_TRUE(session.WaitFor("MIP0112I: Verify operation succeeded (5 bytes compared)."));
    ASSERT_TRUE(session.WaitFor("MIP0112I: Verify operation succeeded (5 bytes compared)."));
    ASSERT_TRUE(session.WaitFor("MIP0117I: Write completed (4096 bytes written) at offset 0x00000000:00000000."));

    // A change the other writer makes to a page after varnex loaded it is
    // overwritten when varnex writes that page back: the last writer wins.
    session.Send("PAGE 4096\n");
    ASSERT_TRUE(session.WaitFor("MIP0110I: Page command completed 4096 bytes loaded from offset 0x00000000:00001000."));
    ASSERT_EQ(::pwrite(other, "LATE", 4, 4096 + 200), 4);
    ASSERT_EQ(::pwrite(other, "KEPT", 4, 8192 + 300), 4);
    session.Send("REP 0 59\nWRITE\n/*\n");
    const ChildResult result = session.Finish();
    ::close(other);
    ASSERT_TRUE(result.exited) << "ended by signal " << result.signal;
    EXPECT_EQ(result.exit_code, 0);

    std::string expected = std::string(4096, 'a') + std::string(4096, 'b') + std::string(4096, 'c');
    expected.replace(0, 2, "ZZ");
    expected.replace(100, 5, "OTHER");
    expected.replace(4096, 1, "Y");
    expected.replace(4096 + 100, 5, "OTHER");
    expected.replace(8192 + 300, 4, "KEPT");
    EXPECT_TRUE(ReadWholeFile(target) == expected) << "the file is not as the two writers left it";
}

// ---------------------------------------------------------------------------
// A write that fails part-way through a page: MIP0115E with the bytes that
// made it, the slot stays Updated, the end of the stream warns.

std::string InProcessLog(testing::FakeFileSystem& files, const std::string& stream) {
    StringByteSource commands(stream);
    const char* argv[] = {"varnex", "target.bin", nullptr};
    testing::CapturedOutput output;
    EXPECT_EQ(RunProgram(2, argv, files, commands), 0);
    return output.Text();
}

std::string Banner() { return std::string(kRunBanner) + "target.bin\n\n  - Page Size 4096\n\n\n"; }

std::string Closing() { return std::string("\n\n") + kClosingBanner + "\n"; }

using Fault = testing::FakeFileSystem::Fault;

TEST(FailingWrite, PartWayThroughAPageThenTheEndOfTheStream) {
    testing::FakeFileSystem files;
    files.contents.assign(8192, 0x11);
    files.write_faults = {Fault{Fault::kShort, 0, 1000}, Fault{Fault::kError, ENOSPC, 0}};
    const std::string log = InProcessLog(files, "PAGE 0\nREP 10 4142\nWRITE\nREP 20 43\n/*\n");
    EXPECT_EQ(log, Banner() +
                       "PAGE 0\n"
                       "MIP0110I: Page command completed 4096 bytes loaded from offset 0x00000000:00000000.\n\n"
                       "REP 10 4142\n"
                       "MIP0116I: Replace operation succeeded (2 bytes updated).\n\n"
                       "WRITE\n"
                       "MIP0115E: Write failed (1000 bytes written).\n"
                       "Platform API Error: 0x001C - No space left on device.\n"
                       "REP 20 43\n"
                       "MIP0116I: Replace operation succeeded (1 bytes updated).\n\n"
                       "/*\n"
                       "MIP0104W: The current page (0x00000000:00000000) has been updated and will not be written.\n"
                       "MIP0105I: The end of the command stream has been reached.\n" +
                       Closing());
    // What reached the file is the first 1000 bytes of the page as it was
    // at the WRITE; nothing else.
    std::vector<std::uint8_t> expected(8192, 0x11);
    expected[10] = 0x41;
    expected[11] = 0x42;
    EXPECT_EQ(files.contents, expected);
}

TEST(FailingWrite, TheSlotStaysUpdatedSoALaterWriteCompletesThePage) {
    testing::FakeFileSystem files;
    files.contents.assign(8192, 0x11);
    files.write_faults = {Fault{Fault::kShort, 0, 3000}, Fault{Fault::kZero, 0, 0}, Fault{Fault::kError, EINTR, 0}};
    const std::string log = InProcessLog(files, "PAGE 4096\nREP 0 41\nWRITE\nREP 4095 42\nWRITE\nWRITE\n");
    EXPECT_EQ(log, Banner() +
                       "PAGE 4096\n"
                       "MIP0110I: Page command completed 4096 bytes loaded from offset 0x00000000:00001000.\n\n"
                       "REP 0 41\n"
                       "MIP0116I: Replace operation succeeded (1 bytes updated).\n\n"
                       "WRITE\n"
                       "MIP0115E: Write failed (3000 bytes written).\n"
                       "REP 4095 42\n"
                       "MIP0116I: Replace operation succeeded (1 bytes updated).\n\n"
                       "WRITE\n"
                       "MIP0117I: Write completed (4096 bytes written) at offset 0x00000000:00001000.\n\n"
                       "WRITE\n"
                       "MIP0106W: The current page has not been updated so the write has been skipped.\n"
                       "MIP0105I: The end of the command stream has been reached.\n" +
                       Closing());
    std::vector<std::uint8_t> expected(8192, 0x11);
    expected[4096] = 0x41;
    expected[8191] = 0x42;
    EXPECT_EQ(files.contents, expected);
}

// On a real file: the file size limit of the process (ulimit -f) stops a
// write part-way. The write must fail with EFBIG and be reported; the
// limit's signal must not end the run.
TEST(FailingWrite, RealFileStoppedByTheFileSizeLimit) {
    TemporaryFolder folder;
    const std::string target = folder.File("target.bin");
    WriteWholeFile(target, std::string(16384, '\0'));
    WriteWholeFile(folder.File("stream"), "PAGE 4096\nREP 0 41\nWRITE\n/*\n");
    ChildSetup setup;
    setup.standard_input = OpenForChild(folder.File("stream"), O_RDONLY);
    setup.standard_output = OpenForChild(folder.File("log"), O_WRONLY | O_CREAT | O_TRUNC);
    setup.standard_error = OpenForChild(folder.File("stderr"), O_WRONLY | O_CREAT | O_TRUNC);
    setup.arguments = {target, "-P:8192"};
    setup.file_size_limit = 10240;
    const ChildResult result = WaitForChild(StartVarnex(setup));
    ::close(setup.standard_input);
    ::close(setup.standard_output);
    ::close(setup.standard_error);
    ASSERT_TRUE(result.exited) << "ended by signal " << result.signal
                               << " (SIGXFSZ must be ignored, so that the write fails with EFBIG)";
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(ReadWholeFile(folder.File("log")),
              std::string(kRunBanner) + target +
                  "\n\n  - Page Size 8192\n\n\n"
                  "PAGE 4096\n"
                  "MIP0110I: Page command completed 8192 bytes loaded from offset 0x00000000:00001000.\n\n"
                  "REP 0 41\n"
                  "MIP0116I: Replace operation succeeded (1 bytes updated).\n\n"
                  "WRITE\n"
                  "MIP0115E: Write failed (6144 bytes written).\n"
                  "Platform API Error: 0x001B - File too large.\n"
                  "/*\n"
                  "MIP0104W: The current page (0x00000000:00001000) has been updated and will not be written.\n"
                  "MIP0105I: The end of the command stream has been reached.\n\n\n" +
                  kClosingBanner + "\n");
    std::string expected(16384, '\0');
    expected[4096] = 'A';
    EXPECT_TRUE(ReadWholeFile(target) == expected) << "the file is not as the partial write left it";
}

}  // namespace
}  // namespace varnex::reliability
