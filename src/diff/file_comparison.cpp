#include "diff/file_comparison.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "change/byte_difference.h"
#include "change/error_text.h"
#include "platform/transfer.h"

namespace varnex {
namespace {

// Each file is read this much at a time; a page that runs past a block is
// completed by moving it to the front and reading on, so the buffers hold a
// block and a page.
constexpr std::size_t kBlock = 4 << 20;

// A block and a page, or the whole file and a page when it is smaller: every
// read is bounded by what is left of the file, so small files take little.
std::size_t BufferSize(const ComparisonSettings& settings) {
    return static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, settings.size)) + settings.page_size;
}

class BlockPair {
public:
    BlockPair(const ComparedFile& old_file, const ComparedFile& new_file, const ComparisonSettings& settings)
        : old_file_(old_file), new_file_(new_file), settings_(settings),
          old_(BufferSize(settings)), new_(BufferSize(settings)) {}

    std::string Run(ChangeSink& sink, ProgressLine& progress, std::uint64_t& pages);

private:
    std::uint64_t HeldEnd() const { return start_ + held_; }
    std::string ReadOn(std::size_t wanted);
    std::string ReadSide(const ComparedFile& file, std::vector<std::uint8_t>& buffer, std::size_t count);
    std::string KeepFrom(std::uint64_t offset);
    std::uint64_t PageEnd(std::uint64_t first, std::uint64_t loaded_end) const;
    std::size_t At(std::uint64_t offset) const { return static_cast<std::size_t>(offset - start_); }

    const ComparedFile& old_file_;
    const ComparedFile& new_file_;
    const ComparisonSettings& settings_;
    std::vector<std::uint8_t> old_;
    std::vector<std::uint8_t> new_;
    std::uint64_t start_ = 0;  // file offset of the buffers' first byte
    std::size_t held_ = 0;     // bytes held from there
    ChangedPage page_;
};

std::string BlockPair::ReadSide(const ComparedFile& file, std::vector<std::uint8_t>& buffer, std::size_t count) {
    const TransferResult read =
        ReadPage(SystemFileSystem(), file.handle, buffer.data() + held_, static_cast<std::uint32_t>(count));
    if (read.failed) return FileTrouble("read", file.name, read.error);
    if (read.done == count) return "";
    std::string trouble = file.name;
    trouble += " became shorter while it was read";
    return trouble;
}

// Reads the next `wanted` bytes of both files (fewer at the end of the files).
std::string BlockPair::ReadOn(std::size_t wanted) {
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(wanted, settings_.size - HeldEnd()));
    std::string trouble = ReadSide(old_file_, old_, count);
    if (trouble.empty()) trouble = ReadSide(new_file_, new_, count);
    held_ += count;
    return trouble;
}

// Moves the bytes from `offset` on to the front and fills the buffers. They
// hold a block and a page, so a page starting at `offset` is then held whole.
std::string BlockPair::KeepFrom(std::uint64_t offset) {
    const std::size_t kept = static_cast<std::size_t>(HeldEnd() - offset);
    std::memmove(old_.data(), old_.data() + At(offset), kept);
    std::memmove(new_.data(), new_.data() + At(offset), kept);
    start_ = offset;
    held_ = kept;
    return ReadOn(old_.size() - held_);
}

// Where a page that starts at `first` ends: at the end of what PAGE loads,
// or just after its last differing byte.
std::uint64_t BlockPair::PageEnd(std::uint64_t first, std::uint64_t loaded_end) const {
    if (settings_.whole_pages) return loaded_end;
    std::uint64_t end = first + 1;
    for (std::uint64_t at = end; at < loaded_end; at = end) {
        const std::size_t equal = FirstDifference(&old_[At(at)], &new_[At(at)], static_cast<std::size_t>(loaded_end - at));
        if (at + equal == loaded_end) break;
        end = at + equal + 1;
    }
    return end;
}

std::string BlockPair::Run(ChangeSink& sink, ProgressLine& progress, std::uint64_t& pages) {
    for (std::uint64_t next = 0; next < settings_.size;) {
        if (next == HeldEnd()) {
            start_ = next;
            held_ = 0;
            if (std::string trouble = ReadOn(kBlock); !trouble.empty()) return trouble;
            progress.Reached(next);
        }
        const std::uint64_t first = next + FirstDifference(&old_[At(next)], &new_[At(next)], held_ - At(next));
        next = first;
        if (first == HeldEnd()) continue;
        const std::uint64_t loaded_end = std::min<std::uint64_t>(first + settings_.page_size, settings_.size);
        if (loaded_end > HeldEnd()) {
            if (std::string trouble = KeepFrom(first); !trouble.empty()) return trouble;
        }
        const std::uint64_t end = PageEnd(first, loaded_end);
        page_.offset = first;
        page_.old_bytes.assign(old_.begin() + At(first), old_.begin() + At(end));
        page_.new_bytes.assign(new_.begin() + At(first), new_.begin() + At(end));
        if (!sink.Add(page_)) return sink.LastError();
        ++pages;
        next = loaded_end;
    }
    return "";
}

}  // namespace

ComparisonOutcome CompareFiles(const ComparedFile& old_file, const ComparedFile& new_file,
                               const ComparisonSettings& settings, ChangeSink& sink, ProgressLine& progress) {
    BlockPair blocks(old_file, new_file, settings);
    ComparisonOutcome outcome;
    outcome.trouble = blocks.Run(sink, progress, outcome.pages);
    progress.Clear();
    return outcome;
}

std::string FileTrouble(const char* doing, const std::string& name, ErrorCode error) {
    const std::string reason = ErrorText(error);
    std::string trouble = "cannot ";
    trouble += doing;
    trouble += ' ';
    trouble += name;
    trouble += ": ";
    trouble += reason;
    return trouble;
}

}  // namespace varnex
