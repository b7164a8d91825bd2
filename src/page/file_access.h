#pragma once
// The only part of the program that touches the target file: opening it,
// reading and writing pages at 64-bit offsets, and the system error line.

#include <cstdint>

#include "command/byte_source.h"
#include "platform/file_system.h"

namespace varnex {

// Opens the file, runs the command interpreter over `commands`, closes the
// file. When the file cannot be opened, reports it and returns at once.
void OpenAndRun(const char* file_name, std::uint32_t page_size, FileSystem& files, ByteSource& commands);

// Reads up to `count` bytes at offset high:low into `buffer`. Returns the
// bytes read; 0 on failure or at or past the end of the file.
std::uint32_t PageRead(FileSystem& files, FileHandle file, std::uint32_t offset_high,
                       std::uint32_t offset_low, std::uint8_t* buffer, std::uint32_t count);

// Writes `count` bytes from `buffer` at offset high:low. Returns true when
// every byte was written.
bool PageWrite(FileSystem& files, FileHandle file, std::uint32_t offset_high,
               std::uint32_t offset_low, const std::uint8_t* buffer, std::uint32_t count);

// Prints "Platform API Error: 0x%04X - <text>." for `error_code`.
void WriteSystemErrorLine(ErrorCode error_code);

}  // namespace varnex
