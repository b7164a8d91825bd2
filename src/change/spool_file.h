#pragma once
// Text held until it can be copied out whole: kept in memory while it is
// small, moved to a temporary file once it grows, so that memory stays
// bounded however much text there is.

#include <cstdio>
#include <string>
#include <string_view>

namespace varnex {

class SpoolFile {
public:
    SpoolFile() = default;
    ~SpoolFile();
    SpoolFile(const SpoolFile&) = delete;
    SpoolFile& operator=(const SpoolFile&) = delete;

    // Adds text at the end. false: the temporary file could not be made or
    // written (Error() says which); the text is then incomplete.
    bool Append(std::string_view text);

    // Writes all text held to `output`, in large blocks, from the start.
    // false: reading the spool or writing `output` failed.
    bool CopyTo(std::FILE* output);

    const char* Error() const { return error_; }

private:
    bool Spill();

    std::string pending_;
    std::FILE* file_ = nullptr;
    const char* error_ = "";
};

}  // namespace varnex
