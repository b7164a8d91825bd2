#pragma once
// What a converted command will do, in words, for the lines under a finding:
// "writes the 2 bytes AB 0C at offset 10", "loads the page at offset
// 0x00000000:7FFFFFFF".

#include <cstdint>
#include <string>

#include "command/command_code.h"

namespace varnex {

std::string DescribeCommand(const Command& command);

// "the byte AB", "the 2 bytes AB 0C", "no bytes"; long lists are cut short.
std::string DescribeBytes(const std::uint8_t* bytes, std::uint32_t count);

}  // namespace varnex
