#pragma once
// A reference model of a run, written from the rules of the command language
// alone: the page stack, each slot's state and page bytes, and the file as it
// must be. For each command it gives the message lines the log must show
// (the lines beginning with MIP) and keeps track of which bytes of the file
// a successful write may have changed.
//
// Commands come from the random generator in structured form, so the model
// needs no operand parsing of its own. File system faults injected into a
// run are announced in the log by marker lines (see FaultyFileSystem); the
// model reads them from the command's part of the log.

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace varnex::reliability {

enum class Verb {
    kPage,          // PAGE high:low
    kPageNumber,    // PAGE #n
    kIndirect,      // PAGE @offset kind
    kVerify,
    kReplace,
    kWrite,
    kDump,
    kBitDump,
    kSearch,
    kPageSize,
    kPush,
    kPop,
    kNoCommand,       // a comment or a blank line: nothing happens
    kMissingOperand,  // a verb without a required operand: MIP0109E
};

// The stored-offset layouts the generator uses.
enum class StoredKind { kWI16, kWI32, kWC16 };

struct ModelCommand {
    Verb verb = Verb::kNoCommand;
    std::uint32_t high = 0;    // PAGE: high half
    std::uint32_t value = 0;   // PAGE: low half; #n: n; offset in the page; PAGESIZE: size; DUMP: length
    std::uint32_t offset = 0;  // DUMP, BITDUMP: offset in the page
    std::string data;          // VER, REP, SEARCH
    StoredKind kind = StoredKind::kWI16;
};

// What the log showed besides messages while one command ran.
struct FaultMarks {
    bool seek_failed = false;
    bool read_failed = false;
    std::uint32_t read_before_failure = 0;
    bool write_failed = false;
};

inline std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
inline std::string Format(const char* format, ...) {
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return text;
}

class ReferenceModel {
public:
    enum class State { kNoPage, kLoaded, kVerifyFailed, kUpdated };

    struct Slot {
        std::uint32_t page_size = 0;
        std::uint32_t high = 0;
        std::uint32_t low = 0;
        std::string page;  // the loaded bytes; its size is the loaded length
        State state = State::kNoPage;
        std::vector<std::pair<std::uint32_t, std::uint32_t>> replaced;  // in the page, since the load
        std::uint64_t Offset() const { return (static_cast<std::uint64_t>(high) << 32) | low; }
    };

    ReferenceModel(std::string image, std::uint32_t page_size) : image_(std::move(image)) {
        slots_.push_back(Slot{});
        slots_.back().page_size = page_size;
    }

    const std::string& Image() const { return image_; }
    const Slot& Current() const { return slots_.back(); }
    std::size_t Depth() const { return slots_.size(); }

    // File ranges [start, end) that a successful write may have changed:
    // the replaced ranges of the pages written.
    const std::vector<std::pair<std::uint64_t, std::uint64_t>>& Allowed() const { return allowed_; }

    // Whether the current command may write to the file at all, and where:
    // only WRITE on an Updated page, within that page.
    bool MayWrite(std::uint64_t start, std::uint64_t length) const {
        if (!write_may_happen_) return false;
        const Slot& slot = Current();
        return start >= slot.Offset() && start + length <= slot.Offset() + slot.page.size();
    }

    // Carries out one command; returns the message lines it must print.
    std::vector<std::string> Apply(const ModelCommand& command, const FaultMarks& marks) {
        std::vector<std::string> out;
        write_may_happen_ = false;
        Slot& slot = slots_.back();
        switch (command.verb) {
            case Verb::kPage:
                if (slot.state == State::kUpdated) out.push_back(Lost(slot));
                Load(command.high, command.value, marks, out);
                break;
            case Verb::kPageNumber: {
                const std::uint32_t n = command.value == 0 ? 1 : command.value;
                if (slot.state == State::kUpdated) out.push_back(Lost(slot));
                Load(0, (n - 1) * slot.page_size, marks, out);
                break;
            }
            case Verb::kIndirect: {
                std::uint32_t target = 0;
                const bool found = StoredOffset(command.value, command.kind, target);
                if (!found) {
                    out.push_back("MIP0123E: The indirect page command was unable to compute the target offset for "
                                  "the target page.");
                }
                if (slot.state == State::kUpdated) out.push_back(Lost(slot));
                Load(0, target, marks, out);
                // The stand-in page at 0:0 is never patched or written.
                if (!found && slot.state == State::kLoaded) slot.state = State::kVerifyFailed;
                break;
            }
            case Verb::kVerify:
                if (slot.state == State::kNoPage) {
                    out.push_back(kNoPage);
                } else if (!Fits(slot, command.value, command.data.size())) {
                    out.push_back(Format("MIP0111E: The verify operation (Offset: %i, Length: %i) failed because the "
                                         "patch overlapped the end of the page.",
                                         static_cast<int>(command.value), static_cast<int>(command.data.size())));
                    FailVerify(slot);
                } else if (FoldedEqual(slot.page.substr(command.value, command.data.size()), command.data)) {
                    out.push_back(Format("MIP0112I: Verify operation succeeded (%i bytes compared).",
                                         static_cast<int>(command.data.size())));
                } else {
                    out.push_back("MIP0113E: Verify operation failed.");
                    FailVerify(slot);
                }
                break;
            case Verb::kReplace:
                if (slot.state == State::kNoPage) {
                    out.push_back(kNoPage);
                } else if (slot.state == State::kVerifyFailed) {
                    out.push_back("MIP0107W: This patch cannot be applied because a previous verify has failed.");
                } else if (!Fits(slot, command.value, command.data.size())) {
                    out.push_back(
                        "MIP0114E: The replace operation failed because the patch overlapped the end of the page.");
                    slot.state = State::kVerifyFailed;
                } else {
                    slot.page.replace(command.value, command.data.size(), command.data);
                    slot.replaced.emplace_back(command.value, static_cast<std::uint32_t>(command.data.size()));
                    slot.state = State::kUpdated;
                    out.push_back(Format("MIP0116I: Replace operation succeeded (%i bytes updated).",
                                         static_cast<int>(command.data.size())));
                }
                break;
            case Verb::kWrite:
                Write(slot, marks, out);
                break;
            case Verb::kDump:
            case Verb::kBitDump:
                if (slot.state == State::kNoPage) {
                    out.push_back(kNoPage);
                } else if (command.offset >= slot.page.size()) {
                    out.push_back("MIP0126E: The offset specified is beyond the end of the loaded page.");
                }
                break;
            case Verb::kSearch:
                if (slot.state == State::kNoPage) {
                    out.push_back(kNoPage);
                } else {
                    Search(slot, command.value, command.data, out);
                }
                break;
            case Verb::kPageSize:
                if (slot.state == State::kNoPage) {
                    out.push_back(Resized(slot.page_size, command.value));
                } else if (command.value < slot.page.size()) {
                    out.push_back(Resized(static_cast<std::uint32_t>(slot.page.size()), command.value));
                    slot.page.resize(command.value);
                }
                slot.page_size = command.value;
                break;
            case Verb::kPush:
                if (slot.state == State::kNoPage) {
                    out.push_back(kNoPage);
                } else if (slots_.size() == 10) {
                    out.push_back(
                        "MIP0120E: The push command could not be executed as there is no space left on the stack.");
                } else {
                    Slot fresh;
                    fresh.page_size = slot.page_size;
                    slots_.push_back(fresh);
                }
                break;
            case Verb::kPop:
                if (slots_.size() == 1) {
                    out.push_back("MIP0119W: No page was available to be popped, the pop command has been ignored.");
                } else {
                    if (slot.state == State::kUpdated) out.push_back(Lost(slot));
                    slots_.pop_back();
                }
                break;
            case Verb::kNoCommand:
                break;
            case Verb::kMissingOperand:
                out.push_back("MIP0109E: The command has been ignored because it has invalid parameters.");
                break;
        }
        return out;
    }

    // The end of the stream: changed pages lost from the top down, then MIP0105I.
    std::vector<std::string> End() {
        std::vector<std::string> out;
        write_may_happen_ = false;
        for (std::size_t i = slots_.size(); i-- > 0;) {
            if (slots_[i].state == State::kUpdated) out.push_back(Lost(slots_[i]));
        }
        slots_.resize(1);
        out.push_back("MIP0105I: The end of the command stream has been reached.");
        return out;
    }

    static bool FoldedEqual(const std::string& a, const std::string& b) {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (Fold(a[i]) != Fold(b[i])) return false;
        }
        return true;
    }

private:
    static constexpr const char* kNoPage = "MIP0103E: The command could not be executed as no page is currently loaded.";

    static char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

    static bool Fits(const Slot& slot, std::uint64_t offset, std::uint64_t count) {
        return offset + count <= slot.page.size();
    }

    static std::string Lost(const Slot& slot) {
        return Format("MIP0104W: The current page (0x%.8X:%.8X) has been updated and will not be written.", slot.high,
                      slot.low);
    }

    static std::string Resized(std::uint32_t from, std::uint32_t to) {
        return Format("MIP0121I: The current page size has changed from %i to %i.", static_cast<int>(from),
                      static_cast<int>(to));
    }

    static void FailVerify(Slot& slot) {
        if (slot.state == State::kLoaded || slot.state == State::kUpdated) slot.state = State::kVerifyFailed;
    }

    void Load(std::uint32_t high, std::uint32_t low, const FaultMarks& marks, std::vector<std::string>& out) {
        Slot& slot = slots_.back();
        slot.high = high;
        slot.low = low;
        slot.replaced.clear();
        slot.page.clear();
        slot.state = State::kNoPage;
        if (marks.seek_failed) {
            out.push_back(Format("MIP0101E: Unable to position the file to the requested offset 0x%.8X:%.8X.", high, low));
            return;
        }
        if (marks.read_failed) {
            out.push_back(Format("MIP0102E: An error was encountered while reading the file, %i bytes returned.",
                                 static_cast<int>(marks.read_before_failure)));
            return;
        }
        const std::uint64_t offset = slot.Offset();
        if (offset < image_.size()) {
            slot.page = image_.substr(offset, std::min<std::uint64_t>(slot.page_size, image_.size() - offset));
        }
        out.push_back(Format("MIP0110I: Page command completed %i bytes loaded from offset 0x%.8X:%.8X.",
                             static_cast<int>(slot.page.size()), high, low));
        if (!slot.page.empty()) slot.state = State::kLoaded;
    }

    void Write(Slot& slot, const FaultMarks& marks, std::vector<std::string>& out) {
        switch (slot.state) {
            case State::kNoPage:
                out.push_back(kNoPage);
                return;
            case State::kLoaded:
                out.push_back("MIP0106W: The current page has not been updated so the write has been skipped.");
                return;
            case State::kVerifyFailed:
                out.push_back("MIP0108W: This page will not be written because a patch verification has failed.");
                return;
            case State::kUpdated:
                break;
        }
        write_may_happen_ = true;
        if (marks.seek_failed) {
            out.push_back(Format("MIP0101E: Unable to position the file to the requested offset 0x%.8X:%.8X.",
                                 slot.high, slot.low));
            return;
        }
        if (marks.write_failed) {
            out.push_back("MIP0115E: Write failed (0 bytes written).");
            return;
        }
        const std::uint64_t offset = slot.Offset();
        image_.replace(offset, slot.page.size(), slot.page);
        for (const auto& [start, length] : slot.replaced) {
            const std::uint64_t end = std::min<std::uint64_t>(start + length, slot.page.size());
            if (start < end) allowed_.emplace_back(offset + start, offset + end);
        }
        slot.state = State::kLoaded;
        out.push_back(Format("MIP0117I: Write completed (%i bytes written) at offset 0x%.8X:%.8X.",
                             static_cast<int>(slot.page.size()), slot.high, slot.low));
    }

    void Search(const Slot& slot, std::uint32_t offset, const std::string& data, std::vector<std::string>& out) {
        if (Fits(slot, offset, data.size())) {
            for (std::size_t position = offset; position + data.size() <= slot.page.size(); ++position) {
                if (FoldedEqual(slot.page.substr(position, data.size()), data)) {
                    out.push_back(Format("MIP0124I: The search string was located at offset %i (0x%.4X) in the "
                                         "current page.",
                                         static_cast<int>(position), static_cast<unsigned>(position)));
                    return;
                }
            }
        }
        out.push_back("MIP0125I: The search string was not found in the current page.");
    }

    // The source page is the current one, or after a PUSH the one below.
    bool StoredOffset(std::uint32_t offset, StoredKind kind, std::uint32_t& target) const {
        const Slot* source = &slots_.back();
        if (source->state == State::kNoPage) {
            if (slots_.size() < 2 || slots_[slots_.size() - 2].state == State::kNoPage) return false;
            source = &slots_[slots_.size() - 2];
        }
        const std::uint32_t width = kind == StoredKind::kWI32 ? 4 : 2;
        if (static_cast<std::uint64_t>(offset) + width > source->page.size()) return false;
        const auto byte = [&](std::uint32_t i) {
            return static_cast<std::uint32_t>(static_cast<unsigned char>(source->page[offset + i]));
        };
        switch (kind) {
            case StoredKind::kWI16: target = byte(0) | byte(1) << 8; break;
            case StoredKind::kWI32: target = byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24; break;
            case StoredKind::kWC16: target = byte(0) << 8 | byte(1); break;
        }
        return true;
    }

    std::string image_;
    std::vector<Slot> slots_;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> allowed_;
    bool write_may_happen_ = false;
};

}  // namespace varnex::reliability
