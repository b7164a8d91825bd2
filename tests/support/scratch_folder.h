#pragma once
// A fresh folder in the system's temporary folder for one test, removed with
// what it holds.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>

namespace varnex::testing {

class ScratchFolder {
public:
    ScratchFolder() {
#ifdef _WIN32
        // No mkdtemp in the Windows C runtime: a random name, made only if new.
        std::error_code error;
        const std::filesystem::path base = std::filesystem::temp_directory_path(error);
        std::random_device random;
        for (int attempt = 0; attempt < 100 && path_.empty() && !error; ++attempt) {
            const std::filesystem::path candidate = base / ("varnex-test-" + std::to_string(random()));
            if (std::filesystem::create_directory(candidate, error)) path_ = candidate.string();
        }
#else
        char pattern[] = "/tmp/varnex-test-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        path_ = made != nullptr ? made : "";
#endif
    }
    ~ScratchFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string Path(const char* name) const { return path_ + "/" + name; }
    bool Ready() const { return !path_.empty(); }

private:
    std::string path_;
};

// The whole contents of a file ("" when it cannot be read).
inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Makes `path` hold exactly `bytes`.
inline void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace varnex::testing
