#pragma once
// A file written whole or not at all: its bytes go into a new temporary file
// beside it, which is put in its place only once complete. A file of that
// name that was there before stays as it was until then; a half-written one
// never exists under the name.

#include <cstdio>
#include <string>

namespace varnex {

class WholeFile {
public:
    explicit WholeFile(std::string name) : name_(std::move(name)) {}
    // Removes the temporary file unless Commit put it in place.
    ~WholeFile();
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;

    // Makes the temporary file. false, with the reason in `error`, when it
    // cannot be made.
    bool Open(std::string& error);
    // Where the bytes go, in binary mode, between Open and Commit.
    std::FILE* Output() const { return output_; }
    // Closes the temporary file and puts it in the file's place. false, with
    // the reason in `error`, when a write or the close failed or it cannot
    // be put there; the temporary file is then removed.
    bool Commit(std::string& error);

private:
    void Discard();

    std::string name_;
    std::string temporary_;
    std::FILE* output_ = nullptr;
};

}  // namespace varnex
