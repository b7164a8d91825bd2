#include "check/stream_input.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "check/check_options.h"
#include "platform/standard_streams.h"

namespace varnex {
namespace {

constexpr std::size_t kBlock = 65536;

// Standard input goes through the platform layer, which reads it as bytes
// (no line-end translation) wherever a platform would translate.
bool ReadStandardInputWhole(std::string& bytes, std::string& error) {
    char block[kBlock];
    for (;;) {
        const std::int64_t got = ReadStandardInput(block, sizeof block);
        if (got == 0) return true;
        if (got < 0) {
            error = "standard input could not be read";
            return false;
        }
        bytes.append(block, static_cast<std::size_t>(got));
    }
}

bool ReadFileWhole(const std::string& name, std::string& bytes, std::string& error) {
    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (file == nullptr) {
        error = std::strerror(errno);
        return false;
    }
    char block[kBlock];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0) bytes.append(block, got);
    const bool failed = std::ferror(file) != 0;
    if (failed) error = std::strerror(errno);
    std::fclose(file);
    return !failed;
}

}  // namespace

bool ReadStream(const std::string& name, std::string& bytes, std::string& error) {
    bytes.clear();
    if (name == kStandardInputName) return ReadStandardInputWhole(bytes, error);
    return ReadFileWhole(name, bytes, error);
}

}  // namespace varnex
