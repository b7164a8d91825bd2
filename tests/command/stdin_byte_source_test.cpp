// Standard input as the byte source: descriptor 0 is replaced for the length
// of each test by a pipe or a file.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <pthread.h>
#include <string>
#include <thread>
#include <unistd.h>

#include "command/byte_source.h"

namespace varnex {
namespace {

// Puts `descriptor` in place of standard input and puts the old one back at
// the end of the scope.
class StandardInputReplaced {
public:
    explicit StandardInputReplaced(int descriptor) : saved_(::dup(STDIN_FILENO)) {
        EXPECT_GE(saved_, 0);
        EXPECT_EQ(::dup2(descriptor, STDIN_FILENO), STDIN_FILENO);
        ::close(descriptor);
    }
    ~StandardInputReplaced() {
        ::dup2(saved_, STDIN_FILENO);
        ::close(saved_);
    }
    StandardInputReplaced(const StandardInputReplaced&) = delete;
    StandardInputReplaced& operator=(const StandardInputReplaced&) = delete;

private:
    int saved_;
};

void WriteAll(int descriptor, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(descriptor, bytes.data() + done, bytes.size() - done);
        if (written <= 0) return;
        done += static_cast<std::size_t>(written);
    }
}

TEST(StdinByteSource, HandsOutEveryByteAcrossManyReads) {
    // More than three buffers' worth, written in odd-sized pieces from another
    // thread so that reads come back short.
    std::string sent(200003, '\0');
    for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    int pipe_ends[2];
    ASSERT_EQ(::pipe(pipe_ends), 0);
    StandardInputReplaced input(pipe_ends[0]);
    std::thread writer([&] {
        for (std::size_t at = 0; at < sent.size(); at += 9999) WriteAll(pipe_ends[1], sent.substr(at, 9999));
        ::close(pipe_ends[1]);
    });
    auto source = std::make_unique<StdinByteSource>();
    std::string received;
    for (int byte = source->Next(); byte != ByteSource::kEnd; byte = source->Next()) {
        ASSERT_GE(byte, 0);
        ASSERT_LE(byte, 255);
        received += static_cast<char>(byte);
    }
    writer.join();
    EXPECT_EQ(received, sent);
    EXPECT_EQ(source->Next(), ByteSource::kEnd);
}

TEST(StdinByteSource, TheEndIsFinalEvenWhenMoreInputArrivesLater) {
    char name[] = "/tmp/varnex_stdin_XXXXXX";
    const int file = ::mkstemp(name);
    ASSERT_GE(file, 0);
    ::unlink(name);
    WriteAll(file, "AB");
    ASSERT_EQ(::lseek(file, 0, SEEK_SET), 0);
    const int appender = ::dup(file);
    StandardInputReplaced input(file);
    auto source = std::make_unique<StdinByteSource>();
    EXPECT_EQ(source->Next(), 'A');
    EXPECT_EQ(source->Next(), 'B');
    EXPECT_EQ(source->Next(), ByteSource::kEnd);
    // A file that grows after its end was read would give a further read
    // bytes again; the source does not ask.
    ASSERT_EQ(::lseek(appender, 0, SEEK_END), 2);
    WriteAll(appender, "C");
    ASSERT_EQ(::lseek(appender, 2, SEEK_SET), 2);
    EXPECT_EQ(source->Next(), ByteSource::kEnd);
    ::close(appender);
}

TEST(StdinByteSource, AReadErrorIsTheEnd) {
    // A descriptor open for writing only cannot be read from (EBADF).
    const int write_only = ::open("/dev/null", O_WRONLY);
    ASSERT_GE(write_only, 0);
    StandardInputReplaced input(write_only);
    auto source = std::make_unique<StdinByteSource>();
    EXPECT_EQ(source->Next(), ByteSource::kEnd);
    EXPECT_EQ(source->Next(), ByteSource::kEnd);
}

std::atomic<int> signals_caught{0};
void CountSignal(int) { ++signals_caught; }

TEST(StdinByteSource, AnInterruptedReadIsRepeated) {
    // The handler is installed without SA_RESTART, so a signal that arrives
    // while the source waits in read makes that read fail with EINTR.
    struct sigaction action = {};
    action.sa_handler = CountSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    struct sigaction previous = {};
    ASSERT_EQ(::sigaction(SIGUSR1, &action, &previous), 0);
    signals_caught = 0;

    int pipe_ends[2];
    ASSERT_EQ(::pipe(pipe_ends), 0);
    StandardInputReplaced input(pipe_ends[0]);
    const pthread_t reader_thread = ::pthread_self();
    std::thread writer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ::pthread_kill(reader_thread, SIGUSR1);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        WriteAll(pipe_ends[1], "Z");
        ::close(pipe_ends[1]);
    });
    auto source = std::make_unique<StdinByteSource>();
    const int first = source->Next();
    const int second = source->Next();
    writer.join();
    ::sigaction(SIGUSR1, &previous, nullptr);

    EXPECT_EQ(signals_caught.load(), 1);
    EXPECT_EQ(first, 'Z');
    EXPECT_EQ(second, ByteSource::kEnd);
}

}  // namespace
}  // namespace varnex
