#include "apply/apply_plan.h"

#include <algorithm>
#include <cstdio>

#include "change/stream_lines.h"
#include "platform/transfer.h"

namespace varnex {

bool MakePlanPage(const ChangedPage& page, PlanPage& planned) {
    planned.offset = page.offset;
    planned.runs.clear();
    for (const Stretch& s : FindStretches(page)) {
        PlanRun run;
        run.start = s.start;
        run.old_bytes.assign(page.old_bytes.begin() + s.start, page.old_bytes.begin() + s.end);
        run.new_bytes.assign(page.new_bytes.begin() + s.start, page.new_bytes.begin() + s.end);
        planned.runs.push_back(std::move(run));
    }
    return !planned.runs.empty();
}

bool ReadSpan(FileSystem& files, FileHandle file, const PlanPage& page, std::vector<std::uint8_t>& bytes,
              ErrorCode& error) {
    const std::uint32_t length = page.SpanEnd() - page.SpanStart();
    bytes.resize(length);
    if (files.Seek(file, page.offset + page.SpanStart(), error) != 0) return false;
    const TransferResult read = ReadPage(files, file, bytes.data(), length);
    if (read.failed) {
        error = read.error;
        return false;
    }
    bytes.resize(read.done);
    return true;
}

PageProgress Classify(const PlanPage& page, const std::vector<std::uint8_t>& bytes) {
    bool some_old = false;
    bool some_new = false;
    for (const PlanRun& run : page.runs) {
        for (std::size_t i = 0; i < run.old_bytes.size(); ++i) {
            const std::size_t at = run.start - page.SpanStart() + i;
            if (at >= bytes.size()) return PageProgress::kForeign;
            const bool is_old = bytes[at] == run.old_bytes[i];
            const bool is_new = bytes[at] == run.new_bytes[i];
            if (!is_old && !is_new) return PageProgress::kForeign;
            some_old = some_old || (is_old && !is_new);
            some_new = some_new || (is_new && !is_old);
        }
    }
    if (some_old && some_new) return PageProgress::kTorn;
    return some_new ? PageProgress::kDone : PageProgress::kNotStarted;
}

std::uint64_t FirstForeign(const PlanPage& page, const std::vector<std::uint8_t>& bytes) {
    for (const PlanRun& run : page.runs) {
        for (std::size_t i = 0; i < run.old_bytes.size(); ++i) {
            const std::size_t at = run.start - page.SpanStart() + i;
            if (at >= bytes.size() || (bytes[at] != run.old_bytes[i] && bytes[at] != run.new_bytes[i])) {
                return page.offset + run.start + i;
            }
        }
    }
    return page.offset + page.SpanStart();
}

ChangedPage SpanChange(const PlanPage& page, const std::vector<std::uint8_t>& bytes, bool towards_new) {
    ChangedPage change;
    change.offset = page.offset + page.SpanStart();
    change.old_bytes = bytes;
    change.new_bytes = bytes;
    for (const PlanRun& run : page.runs) {
        const std::vector<std::uint8_t>& target = towards_new ? run.new_bytes : run.old_bytes;
        std::copy(target.begin(), target.end(), change.new_bytes.begin() + (run.start - page.SpanStart()));
    }
    return change;
}

std::uint64_t Fnv64(const void* bytes, std::size_t count, std::uint64_t hash) {
    const auto* byte = static_cast<const std::uint8_t*>(bytes);
    for (std::size_t i = 0; i < count; ++i) {
        hash ^= byte[i];
        hash *= 1099511628211ULL;
    }
    return hash;
}

std::string HexOf(std::uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llX", static_cast<unsigned long long>(value));
    return text;
}

}  // namespace varnex
