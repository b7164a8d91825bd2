#include "apply/apply_target.h"

#include <cstdio>

#include "change/error_text.h"

namespace varnex {

bool TargetFile::Open(bool& busy, std::string& error) {
    busy = false;
    ErrorCode code = 0;
    handle_ = files_.Open(name_.c_str(), code);
    if (handle_ == kNoFile) {
        error = "cannot open " + name_ + ": " + ErrorText(code);
        return false;
    }
    if (!files_.Lock(handle_, busy, code)) {
        error = busy ? "another varnex-apply is working on " + name_ : "cannot lock " + name_ + ": " + ErrorText(code);
        return false;
    }
    if (!files_.Identity(handle_, identity_, code) || !files_.Size(handle_, size_, code)) {
        error = "cannot learn what " + name_ + " is: " + ErrorText(code);
        return false;
    }
    return true;
}

bool TakeCensus(TargetFile& target, const Plan& plan, Census& census, std::string& error) {
    census = {};
    census.states.reserve(plan.pages.size());
    std::vector<std::uint8_t> bytes;
    for (const PlanPage& page : plan.pages) {
        ErrorCode code = 0;
        if (!ReadSpan(target.Files(), target.Handle(), page, bytes, code)) {
            error = "cannot read " + target.Name() + " at " + OffsetText(page.offset) + ": " + ErrorText(code);
            return false;
        }
        const PageProgress state = Classify(page, bytes);
        census.states.push_back(state);
        if (state == PageProgress::kForeign) census.foreign_offsets.push_back(FirstForeign(page, bytes));
        ++census.counts[static_cast<std::size_t>(state)];
    }
    return true;
}

std::string OffsetText(std::uint64_t offset) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%.8X:%.8X", static_cast<unsigned>(offset >> 32),
                  static_cast<unsigned>(offset & 0xFFFFFFFFu));
    return text;
}

}  // namespace varnex
