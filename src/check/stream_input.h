#pragma once
// Reading a whole command stream, from a file or from standard input, as the
// bytes varnex would read.

#include <string>

namespace varnex {

// Reads the file named `name` ("-" for standard input) into `bytes`. Returns
// false and says why in `error` when it cannot be read.
bool ReadStream(const std::string& name, std::string& bytes, std::string& error);

}  // namespace varnex
