#pragma once
// A fresh folder under /tmp for one test, removed with what it holds.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace varnex::testing {

class ScratchFolder {
public:
    ScratchFolder() {
        char pattern[] = "/tmp/varnex-test-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        path_ = made != nullptr ? made : "";
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

}  // namespace varnex::testing
