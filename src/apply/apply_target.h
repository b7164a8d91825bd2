#pragma once
// The target file of a run, held open and locked for the whole of it, and
// its state against a plan, page by page.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "apply/apply_plan.h"
#include "apply/journal_tie.h"
#include "platform/durable_file_system.h"

namespace varnex {

class TargetFile {
public:
    TargetFile(DurableFileSystem& files, const std::string& name) : files_(files), name_(name) {}
    ~TargetFile() {
        if (handle_ != kNoFile) files_.Close(handle_);
    }
    TargetFile(const TargetFile&) = delete;
    TargetFile& operator=(const TargetFile&) = delete;

    // Opens the file for reading and writing, locks it against a second
    // varnex-apply and learns its identity and size. false: `error` says why
    // and `busy` whether another run holds it.
    bool Open(bool& busy, std::string& error);

    DurableFileSystem& Files() { return files_; }
    FileHandle Handle() const { return handle_; }
    const std::string& Name() const { return name_; }
    const std::string& Identity() const { return identity_; }
    std::uint64_t Size() const { return size_; }

private:
    DurableFileSystem& files_;
    std::string name_;
    FileHandle handle_ = kNoFile;
    std::string identity_;
    std::uint64_t size_ = 0;
};

// The state of every page of the plan, and how many are in each state.
struct Census {
    std::vector<PageProgress> states;
    std::array<std::size_t, 4> counts{};
    std::vector<std::uint64_t> foreign_offsets;  // of each foreign page, its first foreign byte

    std::size_t Count(PageProgress state) const { return counts[static_cast<std::size_t>(state)]; }
    bool All(PageProgress state) const { return Count(state) == states.size(); }
};

// Reads every page of the plan from the file. false: a read failed (`error`).
bool TakeCensus(TargetFile& target, const Plan& plan, Census& census, std::string& error);

// "0x00000000:00001000", as the log prints offsets.
std::string OffsetText(std::uint64_t offset);

}  // namespace varnex
