#include "change/spool_file.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/temporary_file.h"

namespace varnex {
namespace {

constexpr std::size_t kCopyBlock = 1 << 16;

}  // namespace

SpoolFile::~SpoolFile() {
    if (file_ != nullptr) std::fclose(file_);
}

bool SpoolFile::Fail(const char* error) {
    error_code_ = LastStreamError();
    error_ = error;
    return false;
}

// Bytes that would take memory past its share go straight to the file
// after what is pending, without a copy in memory first.
bool SpoolFile::Append(std::string_view bytes) {
    if (*error_ != '\0') return false;
    if (pending_.size() + bytes.size() < held_in_memory_) {
        pending_.append(bytes);
        return true;
    }
    return Spill() && WriteToFile(bytes);
}

bool SpoolFile::Spill() {
    if (!WriteToFile(pending_)) return false;
    pending_.clear();
    return true;
}

// The file may have been read since the last write, so its position is set
// back to its end first.
bool SpoolFile::WriteToFile(std::string_view bytes) {
    if (file_ == nullptr) file_ = CreateTemporaryFile(error_code_);
    if (file_ == nullptr) {
        error_ = "could not make a temporary file";
        return false;
    }
    if (!SeekStream(file_, spilled_, error_code_)) return Fail("could not write the temporary file");
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
        return Fail("could not write the temporary file");
    }
    spilled_ += bytes.size();
    return true;
}

bool SpoolFile::ReadAt(std::uint64_t position, void* out, std::size_t count) {
    if (*error_ != '\0') return false;
    auto* bytes = static_cast<char*>(out);
    if (position < spilled_) {
        const auto from_file = static_cast<std::size_t>(std::min<std::uint64_t>(count, spilled_ - position));
        if (!SeekStream(file_, position, error_code_) || std::fread(bytes, 1, from_file, file_) != from_file) {
            return Fail("could not read the temporary file back");
        }
        bytes += from_file;
        position += from_file;
        count -= from_file;
    }
    if (count > 0) std::memcpy(bytes, pending_.data() + (position - spilled_), count);
    return true;
}

bool SpoolFile::WriteAt(std::uint64_t position, std::string_view bytes) {
    if (*error_ != '\0') return false;
    if (position < spilled_) {
        const auto to_file = static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), spilled_ - position));
        if (!SeekStream(file_, position, error_code_) || std::fwrite(bytes.data(), 1, to_file, file_) != to_file) {
            return Fail("could not write the temporary file");
        }
        bytes.remove_prefix(to_file);
        position += to_file;
    }
    if (!bytes.empty()) std::memcpy(pending_.data() + (position - spilled_), bytes.data(), bytes.size());
    return true;
}

bool SpoolFile::CopyTo(std::FILE* output) {
    if (*error_ != '\0') return false;
    if (file_ == nullptr) return std::fwrite(pending_.data(), 1, pending_.size(), output) == pending_.size();
    if (!Spill() || std::fflush(file_) != 0 || !SeekStream(file_, 0, error_code_)) {
        return Fail("could not read the temporary file back");
    }
    std::vector<char> block(kCopyBlock);
    std::size_t got = 0;
    while ((got = std::fread(block.data(), 1, block.size(), file_)) > 0) {
        if (std::fwrite(block.data(), 1, got, output) != got) return false;
    }
    if (std::ferror(file_)) return Fail("could not read the temporary file back");
    return true;
}

}  // namespace varnex
