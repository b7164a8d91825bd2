#pragma once
// Checks one command stream: every line as the reader will see it, in the
// order a run would meet it, up to the end of the stream.

#include <cstdint>
#include <string_view>
#include <vector>

#include "check/finding.h"
#include "command/byte_source.h"

namespace varnex {

// `page_size` is the page size the run starts with (the -P value, or 4096).
// Returns the findings in line and column order.
std::vector<Finding> LintStream(std::string_view stream, std::uint32_t page_size);

// The same for a stream read from `stream` line by line, holding only the
// line in hand and the findings.
std::vector<Finding> LintStream(ByteSource& stream, std::uint32_t page_size);

}  // namespace varnex
