#pragma once
// Running the real varnex binary as a child process with chosen standard
// descriptors, and the files the tests give it.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace varnex::reliability {

#ifndef VARNEX_BINARY
#error "VARNEX_BINARY must name the varnex executable"
#endif
inline constexpr const char* kBinary = VARNEX_BINARY;

// A folder under the system's temporary folder, removed with its files.
class TemporaryFolder {
public:
    TemporaryFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/varnex-rel-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TemporaryFolder() {
        const std::string command = "rm -rf '" + path_ + "'";
        if (std::system(command.c_str()) != 0) {
            // Nothing to do: a leftover folder in /tmp is harmless.
        }
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline void WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// How the child's descriptors 0, 1 and 2 are set up: a descriptor of ours
// to copy in, or kClosed to start the child with that number closed.
struct ChildSetup {
    static constexpr int kClosed = -1;
    int standard_input = kClosed;
    int standard_output = kClosed;
    int standard_error = kClosed;
    std::vector<std::string> arguments;  // after the program name
    // Applied in the child before the program starts (0: unchanged).
    rlim_t file_size_limit = 0;
};

struct ChildResult {
    bool exited = false;
    int exit_code = -1;
    int signal = 0;
};

// Starts varnex with SIGPIPE and SIGXFSZ at their default actions (so that
// ignoring them is the program's own doing) and returns its process id.
inline pid_t StartVarnex(const ChildSetup& setup) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const int wanted[3] = {setup.standard_input, setup.standard_output, setup.standard_error};
    for (int target = 0; target < 3; ++target) {
        if (wanted[target] == ChildSetup::kClosed) {
            posix_spawn_file_actions_addclose(&actions, target);
        } else {
            posix_spawn_file_actions_adddup2(&actions, wanted[target], target);
        }
    }
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGXFSZ);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    std::vector<std::string> words{kBinary};
    words.insert(words.end(), setup.arguments.begin(), setup.arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    // A file size limit is inherited: set it around the spawn only.
    rlimit saved{};
    if (setup.file_size_limit != 0) {
        ::getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limited{setup.file_size_limit, saved.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    pid_t pid = 0;
    const int failure = posix_spawn(&pid, kBinary, &actions, &attributes, argv.data(), environ);
    if (setup.file_size_limit != 0) ::setrlimit(RLIMIT_FSIZE, &saved);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (failure != 0) throw std::runtime_error("cannot start " + std::string(kBinary));
    return pid;
}

inline ChildResult WaitForChild(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) throw std::runtime_error("waitpid failed");
    }
    ChildResult result;
    result.exited = WIFEXITED(status);
    result.exit_code = result.exited ? WEXITSTATUS(status) : -1;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return result;
}

// Opens `path` for the child's use (closed again by the caller).
inline int OpenForChild(const std::string& path, int flags) {
    const int descriptor = ::open(path.c_str(), flags | O_CLOEXEC, 0600);
    if (descriptor < 0) throw std::runtime_error("cannot open " + path);
    return descriptor;
}

// Runs varnex on `target` with `stream` as standard input; the log goes to
// a file that is returned with the outcome.
struct FinishedRun {
    ChildResult result;
    std::string log;
};

inline FinishedRun RunVarnex(const TemporaryFolder& folder, const std::string& target, const std::string& stream,
                             std::vector<std::string> extra_arguments = {}) {
    WriteWholeFile(folder.File("stream"), stream);
    const int input = OpenForChild(folder.File("stream"), O_RDONLY);
    const int output = OpenForChild(folder.File("log"), O_WRONLY | O_CREAT | O_TRUNC);
    const int error = OpenForChild(folder.File("stderr"), O_WRONLY | O_CREAT | O_TRUNC);
    ChildSetup setup;
    setup.standard_input = input;
    setup.standard_output = output;
    setup.standard_error = error;
    setup.arguments.push_back(target);
    setup.arguments.insert(setup.arguments.end(), extra_arguments.begin(), extra_arguments.end());
    const pid_t pid = StartVarnex(setup);
    ::close(input);
    ::close(output);
    ::close(error);
    FinishedRun run{WaitForChild(pid), ReadWholeFile(folder.File("log"))};
    if (!ReadWholeFile(folder.File("stderr")).empty()) throw std::runtime_error("varnex wrote to standard error");
    return run;
}

}  // namespace varnex::reliability
