#include "change/spool_file.h"

#include <vector>

namespace varnex {
namespace {

// Text beyond this much in memory goes to the temporary file in one write.
constexpr std::size_t kHeldInMemory = 1 << 20;
constexpr std::size_t kCopyBlock = 1 << 16;

}  // namespace

SpoolFile::~SpoolFile() {
    if (file_ != nullptr) std::fclose(file_);
}

bool SpoolFile::Append(std::string_view text) {
    if (*error_ != '\0') return false;
    pending_.append(text);
    return pending_.size() < kHeldInMemory || Spill();
}

bool SpoolFile::Spill() {
    if (file_ == nullptr) file_ = std::tmpfile();
    if (file_ == nullptr) {
        error_ = "could not make a temporary file";
        return false;
    }
    if (std::fwrite(pending_.data(), 1, pending_.size(), file_) != pending_.size()) {
        error_ = "could not write the temporary file";
        return false;
    }
    pending_.clear();
    return true;
}

bool SpoolFile::CopyTo(std::FILE* output) {
    if (*error_ != '\0') return false;
    if (file_ != nullptr) {
        if (!Spill() || std::fflush(file_) != 0 || std::fseek(file_, 0, SEEK_SET) != 0) {
            error_ = "could not read the temporary file back";
            return false;
        }
        std::vector<char> block(kCopyBlock);
        std::size_t got = 0;
        while ((got = std::fread(block.data(), 1, block.size(), file_)) > 0) {
            if (std::fwrite(block.data(), 1, got, output) != got) return false;
        }
        if (std::ferror(file_)) {
            error_ = "could not read the temporary file back";
            return false;
        }
        return true;
    }
    return std::fwrite(pending_.data(), 1, pending_.size(), output) == pending_.size();
}

}  // namespace varnex
