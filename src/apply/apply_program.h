#pragma once
// varnex-apply from its arguments to its exit status.

namespace varnex {

int RunApplyProgram(int argc, const char* const* argv);

}  // namespace varnex
