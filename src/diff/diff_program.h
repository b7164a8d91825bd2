#pragma once
// varnex-diff from its arguments to its exit status, as diff and cmp report:
// 0 the files are equal, 1 they differ (the stream or view is written),
// 2 trouble (nothing is written then).

namespace varnex {

inline constexpr int kDiffSame = 0;
inline constexpr int kDiffDifferent = 1;
inline constexpr int kDiffTrouble = 2;

int RunDiff(int argc, const char* const* argv);

}  // namespace varnex
