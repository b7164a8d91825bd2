#pragma once
// An output file written whole or not at all where that can be done: for a
// regular file (or a new name) the bytes go into a new temporary file beside
// it, which is put on storage and then put in its place, so a crash leaves
// the old file or the complete new one; the old one's permissions are kept.
// A name that is a symbolic link leads to the file replaced, in that file's
// folder, and the link stays. A device, FIFO, socket or terminal is written
// straight through and never replaced: whole-or-nothing holds for regular
// files only.

#include <cstdio>
#include <string>

#include "platform/output_replacement.h"

namespace varnex {

class WholeFile {
public:
    explicit WholeFile(std::string name) : name_(std::move(name)) {}
    // Removes the temporary file unless Commit put it in place.
    ~WholeFile();
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;

    // Finds where the name leads and makes the temporary file, or opens the
    // device. false, with the reason in `error`, when it cannot.
    bool Open(std::string& error);
    // Where the bytes go, in binary mode, between Open and Commit.
    std::FILE* Output() const { return output_; }
    // Closes the output and, for a regular file, puts the temporary file on
    // storage and in the file's place. false, with the reason in `error`,
    // when a write, the sync, the close or the rename failed; the temporary
    // file is then removed and the old file left as it was.
    bool Commit(std::string& error);

private:
    bool CloseOutput(std::string& error);
    void Discard();

    std::string name_;
    OutputTarget target_;
    std::string temporary_;
    std::FILE* output_ = nullptr;
};

}  // namespace varnex
