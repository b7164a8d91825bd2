#include "diff/file_comparison.h"

#include <algorithm>
#include <vector>

#include "change/byte_difference.h"
#include "change/error_text.h"
#include "diff/common_holes.h"
#include "platform/input_stream.h"

namespace varnex {
namespace {

// Each input is read about this much at a time, in whole pages, so that no
// page ever runs past a block.
constexpr std::size_t kBlock = 4 << 20;

std::size_t BlockSize(std::uint32_t page_size) { return std::max<std::size_t>(1, kBlock / page_size) * page_size; }

// The size known before reading: a sized input's (when both are sized the
// sizes were found equal before), or none.
std::uint64_t KnownSize(const ComparedFile& old_file, const ComparedFile& new_file) {
    if (old_file.sized) return old_file.size;
    return new_file.sized ? new_file.size : UINT64_MAX;
}

// A block, or less when the size is known and smaller: small files take little.
std::size_t BufferSize(std::uint64_t known_size, std::uint32_t page_size) {
    return static_cast<std::size_t>(std::min<std::uint64_t>(BlockSize(page_size), known_size));
}

class BlockPair {
public:
    BlockPair(const ComparedFile& old_file, const ComparedFile& new_file, const ComparisonSettings& settings)
        : old_file_(old_file), new_file_(new_file), settings_(settings), limit_(KnownSize(old_file, new_file)),
          old_(BufferSize(limit_, settings.page_size)), new_(BufferSize(limit_, settings.page_size)) {}

    std::string Run(ChangeSink& sink, ProgressLine& progress, ComparisonOutcome& outcome);

private:
    std::string MoveTo(std::uint64_t offset);
    std::string ReadBlock(std::size_t count, std::size_t& got);
    std::string ReadSide(const ComparedFile& file, std::vector<std::uint8_t>& buffer, std::size_t count,
                         std::size_t& got);
    std::string Unequal(std::uint64_t old_got, std::uint64_t new_got) const;
    std::string CheckEnded(const ComparedFile& file);
    std::string HandPages(std::size_t got, ChangeSink& sink, std::uint64_t& pages);
    std::uint64_t ChangeEnd(std::uint64_t first, std::uint64_t loaded_end) const;
    std::size_t At(std::uint64_t offset) const { return static_cast<std::size_t>(offset - start_); }

    const ComparedFile& old_file_;
    const ComparedFile& new_file_;
    const ComparisonSettings& settings_;
    std::uint64_t limit_;  // the size known before reading, or UINT64_MAX
    std::vector<std::uint8_t> old_;
    std::vector<std::uint8_t> new_;
    std::uint64_t start_ = 0;  // file offset of the buffers' first byte, a multiple of the page size
    ChangedPage page_;
};

// Only sized inputs are ever moved: a common hole is passed over in both.
std::string BlockPair::MoveTo(std::uint64_t offset) {
    for (const ComparedFile* file : {&old_file_, &new_file_}) {
        ErrorCode error = 0;
        if (SystemFileSystem().Seek(file->handle, offset, error) != 0) return FileTrouble("read", file->name, error);
    }
    start_ = offset;
    return "";
}

std::string BlockPair::ReadSide(const ComparedFile& file, std::vector<std::uint8_t>& buffer, std::size_t count,
                                std::size_t& got) {
    const TransferResult read = ReadToFill(file.handle, buffer.data(), static_cast<std::uint32_t>(count));
    got = read.done;
    if (read.failed) return FileTrouble("read", file.name, read.error);
    if (!file.sized || got == count) return "";
    std::string trouble = file.name;
    trouble += " became shorter while it was read";
    return trouble;
}

std::string BlockPair::Unequal(std::uint64_t old_got, std::uint64_t new_got) const {
    const auto size_text = [&](const ComparedFile& file, std::uint64_t got) {
        const std::uint64_t shorter = start_ + std::min(old_got, new_got);
        if (file.sized) return std::to_string(file.size);
        return start_ + got == shorter ? std::to_string(shorter) : "more than " + std::to_string(shorter);
    };
    return SizesDiffer(old_file_.name, size_text(old_file_, old_got), new_file_.name, size_text(new_file_, new_got));
}

// Reads the next `count` bytes of both inputs, fewer only where both end.
std::string BlockPair::ReadBlock(std::size_t count, std::size_t& got) {
    std::size_t old_got = 0;
    std::size_t new_got = 0;
    std::string trouble = ReadSide(old_file_, old_, count, old_got);
    if (trouble.empty()) trouble = ReadSide(new_file_, new_, count, new_got);
    if (trouble.empty() && old_got != new_got) trouble = Unequal(old_got, new_got);
    got = old_got;
    return trouble;
}

// At the known size, an input of unknown size must have ended too.
std::string BlockPair::CheckEnded(const ComparedFile& file) {
    if (file.sized) return "";
    std::uint8_t byte = 0;
    const TransferResult read = ReadToFill(file.handle, &byte, 1);
    if (read.failed) return FileTrouble("read", file.name, read.error);
    if (read.done == 0) return "";
    const bool old_longer = &file == &old_file_;
    return Unequal(old_longer ? 1 : 0, old_longer ? 0 : 1);
}

// Where a page's change ends: just after its last differing byte.
std::uint64_t BlockPair::ChangeEnd(std::uint64_t first, std::uint64_t loaded_end) const {
    std::uint64_t end = first + 1;
    for (std::uint64_t at = end; at < loaded_end; at = end) {
        const std::size_t equal = FirstDifference(old_.data() + At(at), new_.data() + At(at),
                                                  static_cast<std::size_t>(loaded_end - at));
        if (at + equal == loaded_end) break;
        end = at + equal + 1;
    }
    return end;
}

// Hands on each page of the block with a differing byte. A block ends on a
// page boundary or at the end of the input, so every page is held whole.
std::string BlockPair::HandPages(std::size_t got, ChangeSink& sink, std::uint64_t& pages) {
    const std::uint64_t end = start_ + got;
    for (std::uint64_t at = start_; at < end;) {
        const std::uint64_t first =
            at + FirstDifference(old_.data() + At(at), new_.data() + At(at), static_cast<std::size_t>(end - at));
        if (first == end) break;
        const std::uint64_t page = first - first % settings_.page_size;
        const std::uint64_t loaded_end = std::min<std::uint64_t>(page + settings_.page_size, end);
        const std::uint64_t page_end = settings_.whole_pages ? loaded_end : ChangeEnd(first, loaded_end);
        page_.offset = page;
        page_.old_bytes.assign(old_.begin() + At(page), old_.begin() + At(page_end));
        page_.new_bytes.assign(new_.begin() + At(page), new_.begin() + At(page_end));
        if (!sink.Add(page_)) return sink.LastError();
        ++pages;
        at = loaded_end;
    }
    return "";
}

std::string BlockPair::Run(ChangeSink& sink, ProgressLine& progress, ComparisonOutcome& outcome) {
    CommonHoles holes(old_file_.handle, new_file_.handle, limit_, settings_.page_size,
                      old_file_.sized && new_file_.sized);
    for (;;) {
        const ReadStretch stretch = holes.Next(start_);
        if (stretch.start != start_) {
            if (std::string trouble = MoveTo(stretch.start); !trouble.empty()) return trouble;
        }
        if (start_ >= limit_) break;
        progress.Reached(start_);
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(old_.size(), stretch.end - start_));
        std::size_t got = 0;
        if (std::string trouble = ReadBlock(count, got); !trouble.empty()) return trouble;
        if (std::string trouble = HandPages(got, sink, outcome.pages); !trouble.empty()) return trouble;
        start_ += got;
        if (got < count) break;
    }
    outcome.size = start_;
    std::string trouble = CheckEnded(old_file_);
    return trouble.empty() ? CheckEnded(new_file_) : trouble;
}

}  // namespace

ComparisonOutcome CompareFiles(const ComparedFile& old_file, const ComparedFile& new_file,
                               const ComparisonSettings& settings, ChangeSink& sink, ProgressLine& progress) {
    BlockPair blocks(old_file, new_file, settings);
    ComparisonOutcome outcome;
    outcome.trouble = blocks.Run(sink, progress, outcome);
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

std::string SizesDiffer(const std::string& old_name, const std::string& old_size, const std::string& new_name,
                        const std::string& new_size) {
    std::string reason = old_name;
    reason += " has ";
    reason += old_size;
    reason += " bytes and ";
    reason += new_name;
    reason += " has ";
    reason += new_size;
    reason += " bytes; varnex neither extends nor truncates a file, so only files of one size can be compared";
    return reason;
}

}  // namespace varnex
