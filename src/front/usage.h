#pragma once

namespace varnex {

// Prints the five lines of the usage text.
void PrintUsage();

}  // namespace varnex
