#include "apply/apply_report.h"

namespace varnex {

void ApplyReport::Say(const std::string& text) const {
    const std::string line = "varnex-apply: " + text + "\n";
    std::fwrite(line.data(), 1, line.size(), out_);
    std::fflush(out_);
}

double ApplyReport::Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

}  // namespace varnex
