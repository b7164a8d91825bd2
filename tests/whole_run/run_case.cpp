// Runs one whole-run case: the real varnex binary on a fresh target file, in a
// fresh working directory, with a given command line and command stream, and
// compares the complete standard output, the exit code and the target file's
// bytes with what the case expects. The case format is described in README.md.
//
// Usage: whole_run_case [--emulator PROGRAM] [--windows-log] [--address-digits N]
//                       <path of varnex> <case directory>
//
// For a cross-built Windows program the harness stays a program of the build
// machine: --emulator starts varnex through PROGRAM (Wine), and --windows-log
// reads the log as Windows writes it: every line must end in CR LF, which is
// read as LF, and system error lines are compared by their form only, since
// their codes and texts belong to the platform. --address-digits gives the
// width of dump addresses (16 unless the build's pointers are narrower).

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kTimeoutSeconds = 100;
constexpr const char* kTargetName = "target.bin";

[[noreturn]] void CaseError(const std::string& what) { throw std::runtime_error(what); }

std::optional<std::string> ReadFileIfPresent(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteWholeFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) CaseError("cannot write " + path.string());
}

std::uint64_t ParseNumber(const std::string& text) {
  if (text.empty()) CaseError("missing number");
  std::size_t used = 0;
  unsigned long long value = 0;
  try {
    value = std::stoull(text, &used, 0);
  } catch (const std::exception&) {
    CaseError("bad number '" + text + "'");
  }
  if (used != text.size()) CaseError("bad number '" + text + "'");
  return value;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Hexadecimal bytes; white space is ignored and '#' starts a comment that runs
// to the end of the line.
std::string ParseHexBytes(const std::string& text) {
  std::string bytes;
  int high = -1;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '#') {
      while (i < text.size() && text[i] != '\n') ++i;
      continue;
    }
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') continue;
    int digit = HexDigit(c);
    if (digit < 0) CaseError(std::string("bad hexadecimal character '") + c + "'");
    if (high < 0) {
      high = digit;
    } else {
      bytes.push_back(static_cast<char>(high * 16 + digit));
      high = -1;
    }
  }
  if (high >= 0) CaseError("odd number of hexadecimal digits");
  return bytes;
}

// The stream.esc form: bytes as written, with these escapes:
//   \\ backslash   \t tab   \r carriage return   \n line feed   \xHH any byte
//   \[N]c  the character c repeated N times
//   a backslash at the end of a line joins it to the next (no line feed).
std::string ParseEscapedStream(const std::string& text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      bytes.push_back(text[i]);
      continue;
    }
    if (++i == text.size()) CaseError("backslash at the end of stream.esc");
    switch (text[i]) {
      case '\\': bytes.push_back('\\'); break;
      case 't': bytes.push_back('\t'); break;
      case 'r': bytes.push_back('\r'); break;
      case 'n': bytes.push_back('\n'); break;
      case '\n': break;
      case 'x': {
        if (i + 2 >= text.size() || HexDigit(text[i + 1]) < 0 || HexDigit(text[i + 2]) < 0)
          CaseError("bad \\x escape in stream.esc");
        bytes.push_back(static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2])));
        i += 2;
        break;
      }
      case '[': {
        std::size_t close = text.find(']', i);
        if (close == std::string::npos || close + 1 >= text.size())
          CaseError("bad \\[N]c escape in stream.esc");
        bytes.append(ParseNumber(text.substr(i + 1, close - i - 1)), text[close + 1]);
        i = close + 1;
        break;
      }
      default: CaseError(std::string("unknown escape \\") + text[i] + " in stream.esc");
    }
  }
  return bytes;
}

// The content of a target file: a base (zero, a fill byte, or the counter
// pattern where byte i is i mod 256) over a size, with byte strings laid over it.
struct Image {
  enum class Base { kZero, kFill, kCounter };
  std::uint64_t size = 0;
  Base base = Base::kZero;
  unsigned char fill = 0;
  bool sparse = false;
  std::vector<std::pair<std::uint64_t, std::string>> patches;

  // Writes bytes [start, start + out.size()) of the image into out.
  void Render(std::uint64_t start, std::string& out) const {
    for (std::size_t i = 0; i < out.size(); ++i) {
      std::uint64_t at = start + i;
      out[i] = static_cast<char>(base == Base::kZero ? 0 : base == Base::kFill ? fill : at % 256);
    }
    for (const auto& [offset, bytes] : patches) {
      std::uint64_t end = offset + bytes.size();
      std::uint64_t lo = std::max(offset, start), hi = std::min(end, start + out.size());
      for (std::uint64_t at = lo; at < hi; ++at) out[at - start] = bytes[at - offset];
    }
  }
};

// The .gen form, one directive a line ('#' starts a comment):
//   size N | sparse N | fill B | counter | at OFFSET HEXBYTES | text OFFSET TEXT
Image ParseGenerator(const std::string& text) {
  Image image;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::string word;
    std::istringstream words(line);
    if (!(words >> word) || word[0] == '#') continue;
    std::string rest;
    std::getline(words, rest);
    std::string operand = rest.substr(std::min(rest.size(), rest.find_first_not_of(' ')));
    if (word == "size" || word == "sparse") {
      image.size = ParseNumber(operand);
      image.sparse = word == "sparse";
    } else if (word == "fill") {
      image.base = Image::Base::kFill;
      image.fill = static_cast<unsigned char>(ParseNumber(operand));
    } else if (word == "counter" || word == "pattern") {
      image.base = Image::Base::kCounter;
    } else if (word == "at" || word == "text") {
      std::size_t blank = operand.find(' ');
      if (blank == std::string::npos) CaseError("'" + word + "' needs an offset and bytes");
      std::string bytes = operand.substr(blank + 1);
      image.patches.emplace_back(ParseNumber(operand.substr(0, blank)),
                                 word == "at" ? ParseHexBytes(bytes) : bytes);
    } else {
      CaseError("unknown directive '" + word + "'");
    }
  }
  for (const auto& [offset, bytes] : image.patches)
    if (offset + bytes.size() > image.size) CaseError("bytes laid past the size of the file");
  if (image.sparse && image.base != Image::Base::kZero) CaseError("a sparse file is zero-filled");
  return image;
}

// Reads <stem>.hex or <stem>.gen from the case directory, if either exists.
std::optional<Image> ReadImage(const fs::path& dir, const std::string& stem) {
  if (auto hex = ReadFileIfPresent(dir / (stem + ".hex"))) {
    Image image;
    std::string bytes = ParseHexBytes(*hex);
    image.size = bytes.size();
    image.patches.emplace_back(0, bytes);
    return image;
  }
  if (auto gen = ReadFileIfPresent(dir / (stem + ".gen"))) return ParseGenerator(*gen);
  return std::nullopt;
}

void CreateTarget(const fs::path& path, const Image& image) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) CaseError("cannot create " + path.string());
  bool ok = true;
  if (image.sparse) {
    ok = ::ftruncate(fd, static_cast<off_t>(image.size)) == 0;
    for (const auto& [offset, bytes] : image.patches)
      ok = ok && ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)) ==
                     static_cast<ssize_t>(bytes.size());
  } else {
    std::string chunk;
    for (std::uint64_t at = 0; ok && at < image.size; at += chunk.size()) {
      chunk.resize(std::min<std::uint64_t>(1 << 20, image.size - at));
      image.Render(at, chunk);
      ok = ::write(fd, chunk.data(), chunk.size()) == static_cast<ssize_t>(chunk.size());
    }
  }
  if (::close(fd) != 0 || !ok) CaseError("cannot fill " + path.string());
}

std::string Printable(const std::string& bytes) {
  std::string out;
  char hex[8];
  for (unsigned char c : bytes) {
    std::snprintf(hex, sizeof hex, "%02X ", c);
    out += hex;
  }
  return out;
}

// Compares the target file with the expected image. Where the image's base is
// zero only the file's data regions and the laid bytes are read, so that a
// sparse file of many GiB is checked quickly and still completely.
bool CheckTarget(const fs::path& path, const Image& expected) {
  int fd = ::open(path.c_str(), O_RDONLY);
  struct stat info {};
  if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    if (fd >= 0) ::close(fd);
    std::printf("FAIL: the target file is missing or no longer a regular file\n");
    return false;
  }
  bool ok = true;
  if (static_cast<std::uint64_t>(info.st_size) != expected.size) {
    std::printf("FAIL: target file size %lld, expected %llu\n", static_cast<long long>(info.st_size),
                static_cast<unsigned long long>(expected.size));
    ok = false;
  }
  std::uint64_t size = std::min<std::uint64_t>(expected.size, static_cast<std::uint64_t>(info.st_size));
  std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges;
  off_t data = expected.base == Image::Base::kZero ? ::lseek(fd, 0, SEEK_DATA) : -1;
  if (expected.base != Image::Base::kZero || (data < 0 && errno != ENXIO)) {
    ranges.emplace_back(0, size);
  } else {
    while (data >= 0 && static_cast<std::uint64_t>(data) < size) {
      off_t hole = ::lseek(fd, data, SEEK_HOLE);
      ranges.emplace_back(data, std::min<std::uint64_t>(size, hole));
      data = ::lseek(fd, hole, SEEK_DATA);
    }
    for (const auto& [offset, bytes] : expected.patches)
      ranges.emplace_back(offset, std::min<std::uint64_t>(size, offset + bytes.size()));
  }
  std::uint64_t differing = 0;
  std::string want, have;
  for (const auto& [start, end] : ranges) {
    for (std::uint64_t at = start; at < end; at += want.size()) {
      want.resize(std::min<std::uint64_t>(1 << 20, end - at));
      have.resize(want.size());
      expected.Render(at, want);
      if (::pread(fd, have.data(), have.size(), static_cast<off_t>(at)) !=
          static_cast<ssize_t>(have.size()))
        CaseError("cannot read back the target file");
      for (std::size_t i = 0; i < want.size(); ++i) {
        if (want[i] == have[i]) continue;
        if (differing++ == 0) {
          std::size_t n = std::min<std::size_t>(16, want.size() - i);
          std::printf("FAIL: target file differs first at offset 0x%llX\n  expected: %s\n  actual:   %s\n",
                      static_cast<unsigned long long>(at + i), Printable(want.substr(i, n)).c_str(),
                      Printable(have.substr(i, n)).c_str());
        }
      }
    }
  }
  ::close(fd);
  if (differing > 0) {
    std::printf("FAIL: %llu byte comparisons of the target file differ\n",
                static_cast<unsigned long long>(differing));
    ok = false;
  }
  return ok;
}

// Replaces the address after '@' in dump banners with <address>. The address
// must be `digits` upper-case hexadecimal digits, as many as a pointer of the
// build has (16, or 8 on a 32-bit build), and an end banner must repeat the
// address of the start banner before it; otherwise it is left as it is, so
// the comparison fails and shows it.
std::string MaskAddresses(const std::string& log, std::size_t digits) {
  std::string out, remembered;
  std::istringstream lines(log);
  std::string line;
  while (std::getline(lines, line)) {
    bool start = line.rfind("+---- Start of Dump: ", 0) == 0;
    bool end = line.rfind("+---- End of Dump: ", 0) == 0;
    std::size_t at = line.rfind(" bytes @");
    if ((start || end) && at != std::string::npos && line.size() >= at + 8 + digits) {
      std::string address = line.substr(at + 8, digits);
      bool shape = std::all_of(address.begin(), address.end(),
                               [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }) &&
                   line.compare(at + 8 + digits, 2, " -") == 0;
      if (start) remembered = shape ? address : "";
      if (shape && (start || address == remembered)) line.replace(at + 8, digits, "<address>");
    }
    out += line;
    if (!lines.eof()) out += '\n';
  }
  return out;
}

// A Windows log read as lines: every line feed must follow a carriage
// return, and the pair is read as one line feed. Returns false, and says
// where, at a line feed without one.
bool ReadWindowsLineEnds(std::string& log) {
  std::string lines;
  for (std::size_t i = 0; i < log.size(); ++i) {
    if (log[i] == '\n') {
      std::printf("FAIL: a line feed without a carriage return before it at byte %zu of standard output\n", i);
      return false;
    }
    if (log[i] == '\r' && i + 1 < log.size() && log[i + 1] == '\n') ++i;
    lines += log[i];
  }
  log = lines;
  return true;
}

// Puts <system error line> in place of each system error line, "Platform API
// Error: 0x%04X - %s.": codes and texts belong to the platform, only the form
// is compared. A text ending in a line break (a Windows text keeps its own CR
// LF, read above as CR and LF) puts the full stop alone on the next line.
std::string MaskSystemErrorLines(const std::string& log) {
  static const std::string kPrefix = "Platform API Error: 0x";
  std::vector<std::string> lines;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string& line = lines[i];
    std::size_t digits = 0;
    while (line.rfind(kPrefix, 0) == 0 && kPrefix.size() + digits < line.size() &&
           std::isxdigit(static_cast<unsigned char>(line[kPrefix.size() + digits])) &&
           !std::islower(static_cast<unsigned char>(line[kPrefix.size() + digits])))
      ++digits;
    bool form = digits >= 4 && line.compare(kPrefix.size() + digits, 3, " - ") == 0;
    if (form && line.back() == '.') {
      line = "<system error line>";
    } else if (form && line.back() == '\r' && i + 1 < lines.size() && lines[i + 1] == ".") {
      line = "<system error line>";
      ++i;
    }
    out += line;
    if (i + 1 < lines.size() || (!log.empty() && log.back() == '\n')) out += '\n';
  }
  return out;
}

void ShowDifference(const std::string& expected, const std::string& actual, const fs::path& scratch) {
  std::size_t i = 0;
  while (i < expected.size() && i < actual.size() && expected[i] == actual[i]) ++i;
  std::size_t line = 1 + static_cast<std::size_t>(std::count(expected.begin(), expected.begin() + i, '\n'));
  std::size_t line_start = i == 0 ? std::string::npos : expected.rfind('\n', i - 1);
  std::size_t column = i - (line_start == std::string::npos ? 0 : line_start + 1) + 1;
  auto byte_at = [](const std::string& s, std::size_t k) {
    char text[16];
    if (k >= s.size()) return std::string("end of output");
    std::snprintf(text, sizeof text, "byte 0x%02X", static_cast<unsigned char>(s[k]));
    return std::string(text);
  };
  std::printf("FAIL: standard output differs first at line %zu, column %zu: expected %s, actual %s\n",
              line, column, byte_at(expected, i).c_str(), byte_at(actual, i).c_str());
  fs::path want = scratch / "expected.log", have = scratch / "actual.log";
  WriteWholeFile(want, expected);
  WriteWholeFile(have, actual);
  std::fflush(stdout);
  pid_t pid = ::fork();
  if (pid == 0) {
    ::execlp("diff", "diff", "-u", "--label", "expected", "--label", "actual", want.c_str(), have.c_str(),
             static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  if (pid > 0) ::waitpid(pid, &status, 0);
  if (pid < 0 || !WIFEXITED(status) || WEXITSTATUS(status) > 1) {
    std::printf("---- expected\n%s\n---- actual\n%s\n----\n", expected.c_str(), actual.c_str());
  }
}

std::vector<std::string> ReadArguments(const fs::path& dir) {
  std::vector<std::string> args;
  std::istringstream lines(ReadFileIfPresent(dir / "args").value_or(""));
  std::string line;
  while (std::getline(lines, line)) args.push_back(line);
  return args;
}

struct Outcome {
  int exit_code = -1;
  std::string description;
};

struct Options {
  std::string emulator;  // starts varnex when not empty
  bool windows_log = false;
  std::size_t address_digits = 16;
};

Outcome RunBinary(const Options& options, const std::string& binary, const std::vector<std::string>& args,
                  const fs::path& work, const fs::path& in, const fs::path& out, const fs::path& err) {
  std::vector<char*> argv;
  if (!options.emulator.empty()) argv.push_back(const_cast<char*>(options.emulator.c_str()));
  argv.push_back(const_cast<char*>(binary.c_str()));
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  std::fflush(stdout);
  pid_t pid = ::fork();
  if (pid < 0) CaseError("fork failed");
  if (pid == 0) {
    int fd_in = ::open(in.c_str(), O_RDONLY);
    int fd_out = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int fd_err = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd_in < 0 || fd_out < 0 || fd_err < 0 || ::dup2(fd_in, 0) < 0 || ::dup2(fd_out, 1) < 0 ||
        ::dup2(fd_err, 2) < 0 || ::chdir(work.c_str()) != 0)
      ::_exit(126);
    ::close(fd_in);
    ::close(fd_out);
    ::close(fd_err);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kTimeoutSeconds);
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return {-1, "killed after " + std::to_string(kTimeoutSeconds) + " seconds"};
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (WIFSIGNALED(status)) return {-1, "ended by signal " + std::to_string(WTERMSIG(status))};
  return {WEXITSTATUS(status), ""};
}

bool RunCase(const Options& options, const std::string& binary, const fs::path& dir, const fs::path& scratch) {
  fs::path work = scratch / "work";
  fs::create_directory(work);
  fs::path target = work / kTargetName;

  std::optional<Image> initial = ReadImage(dir, "file");
  bool directory = fs::exists(dir / "file.dir");
  if (initial) CreateTarget(target, *initial);
  if (directory) fs::create_directory(target);

  std::string stream;
  if (auto raw = ReadFileIfPresent(dir / "stream")) stream = *raw;
  else if (auto esc = ReadFileIfPresent(dir / "stream.esc")) stream = ParseEscapedStream(*esc);
  WriteWholeFile(scratch / "stdin", stream);

  std::optional<std::string> expected_log = ReadFileIfPresent(dir / "expected.log");
  if (!expected_log) CaseError("the case has no expected.log");
  int expected_exit = 0;
  if (auto code = ReadFileIfPresent(dir / "exit_code")) {
    std::string text = *code;
    text.erase(text.find_last_not_of(" \n") + 1);
    expected_exit = static_cast<int>(ParseNumber(text));
  }

  Outcome outcome = RunBinary(options, binary, ReadArguments(dir), work, scratch / "stdin", scratch / "stdout",
                              scratch / "stderr");
  bool ok = true;
  if (!outcome.description.empty()) {
    std::printf("FAIL: the program was %s\n", outcome.description.c_str());
    ok = false;
  } else if (outcome.exit_code != expected_exit) {
    std::printf("FAIL: exit code %d, expected %d\n", outcome.exit_code, expected_exit);
    ok = false;
  }
  std::string error_output = ReadFileIfPresent(scratch / "stderr").value_or("");
  if (!error_output.empty()) {
    std::printf("FAIL: standard error is not empty:\n%s\n", error_output.c_str());
    ok = false;
  }
  std::string actual = ReadFileIfPresent(scratch / "stdout").value_or("");
  std::string expected = *expected_log;
  if (options.windows_log) {
    ok = ReadWindowsLineEnds(actual) && ok;
    actual = MaskSystemErrorLines(actual);
    expected = MaskSystemErrorLines(expected);
  }
  actual = MaskAddresses(actual, options.address_digits);
  expected = MaskAddresses(expected, options.address_digits);
  if (actual != expected) {
    ShowDifference(expected, actual, scratch);
    ok = false;
  }

  // The file afterwards: as given, or else as it was before the run.
  std::optional<Image> after = ReadImage(dir, "expected");
  if (!after) after = initial;
  if (after) {
    ok = CheckTarget(target, *after) && ok;
  } else if (!directory && fs::exists(fs::symlink_status(target))) {
    std::printf("FAIL: the run created %s\n", kTargetName);
    ok = false;
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  int next = 1;
  for (; next < argc; ++next) {
    const std::string word = argv[next];
    if (word == "--emulator" && next + 1 < argc) {
      options.emulator = argv[++next];
    } else if (word == "--windows-log") {
      options.windows_log = true;
    } else if (word == "--address-digits" && next + 1 < argc) {
      options.address_digits = std::strtoul(argv[++next], nullptr, 10);
    } else {
      break;
    }
  }
  if (argc - next != 2) {
    std::fprintf(stderr,
                 "usage: %s [--emulator PROGRAM] [--windows-log] [--address-digits N] <varnex binary> <case directory>\n",
                 argv[0]);
    return 2;
  }
  const char* binary = argv[next];
  const char* case_dir = argv[next + 1];
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/varnex-whole-run-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    return 2;
  }
  fs::path scratch = pattern;
  int result = 1;
  try {
    result = RunCase(options, fs::absolute(binary).string(), case_dir, scratch) ? 0 : 1;
    std::printf("%s: %s\n", fs::path(case_dir).filename().c_str(), result == 0 ? "PASS" : "FAIL");
  } catch (const std::exception& error) {
    std::printf("ERROR in case %s: %s\n", case_dir, error.what());
    result = 2;
  }
  std::error_code ignored;
  fs::remove_all(scratch, ignored);
  return result;
}
