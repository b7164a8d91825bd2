#include "apply/check_observer.h"

#include "page/page_stack.h"

namespace varnex {
namespace {

std::uint8_t Folded(std::uint8_t byte) { return byte >= 'A' && byte <= 'Z' ? static_cast<std::uint8_t>(byte + 32) : byte; }

}  // namespace

bool CheckObserver::WrittenByRun(std::uint64_t offset) const { return overlay_.WasWritten(offset); }

// A page as it was read (Loaded, or VerifyFailed after a failed check) tells
// what the file holds; an Updated one holds the run's own REP bytes. The VER
// compares letters without regard to case, and so does this.
void CheckObserver::BeforeCommand(const Command& command, const PageSlot& current) {
    if (command.code != CommandCode::kVerify) return;
    if (current.state != PageState::kLoaded && current.state != PageState::kVerifyFailed) return;
    if (command.value_b > current.loaded_length || command.byte_count > current.loaded_length - command.value_b) return;
    const std::uint64_t page = (static_cast<std::uint64_t>(current.offset_high) << 32) | current.offset_low;
    for (std::uint32_t i = 0; i < command.byte_count; ++i) {
        const std::uint8_t held = current.buffer[command.value_b + i];
        if (Folded(held) == Folded(command.data[i])) continue;
        const std::uint64_t offset = page + command.value_b + i;
        if (known_.count(offset) != 0 || WrittenByRun(offset)) continue;
        found_[offset] = command.data[i];
    }
}

}  // namespace varnex
