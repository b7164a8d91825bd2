#include "output/dump.h"

#include <cinttypes>
#include <cstring>

#include "output/line_writer.h"
#include "output/message_text.h"

namespace varnex {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr std::uint32_t kHexBytesPerLine = 16;
constexpr std::uint32_t kBitBytesPerLine = 8;

// Writes "%04X: " for a line offset: four digits at least, more when needed.
char* PutLineOffset(char* out, std::uint32_t line_offset) {
    int digits = 4;
    while (digits < 8 && (line_offset >> (4 * digits)) != 0) ++digits;
    for (int i = digits - 1; i >= 0; --i) *out++ = kHexDigits[(line_offset >> (4 * i)) & 0xF];
    *out++ = ':';
    *out++ = ' ';
    return out;
}

// Writes each byte as "%02X ".
char* PutHexGroup(char* out, const std::uint8_t* bytes, std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) {
        *out++ = kHexDigits[bytes[i] >> 4];
        *out++ = kHexDigits[bytes[i] & 0xF];
        *out++ = ' ';
    }
    return out;
}

// Printable bytes 0x21..0x7E show as themselves, every other byte as '.'.
char* PutCharacterGroup(char* out, const std::uint8_t* bytes, std::uint32_t count) {
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t byte = bytes[i];
        *out++ = (byte >= 0x21 && byte <= 0x7E) ? static_cast<char>(byte) : '.';
    }
    return out;
}

// Writes "bbbb bbbb " for one byte, most significant bit first.
char* PutBits(char* out, std::uint8_t byte) {
    for (int bit = 7; bit >= 0; --bit) {
        *out++ = ((byte >> bit) & 1) ? '1' : '0';
        if (bit == 4 || bit == 0) *out++ = ' ';
    }
    return out;
}

// The address after @ takes as many digits as the build's pointers have: 8 in
// a 32-bit program, 16 in a 64-bit one.
constexpr int kAddressDigits = static_cast<int>(sizeof(void*) * 2);

void WriteBanner(const char* edge, const std::uint8_t* data, const char* title, std::int32_t length) {
    WriteMessage("+---- %s of Dump: %s -------------- %i (0x%.4x) bytes @%0*" PRIXPTR " --------------",
                 edge, title, length, static_cast<unsigned>(length), kAddressDigits,
                 reinterpret_cast<std::uintptr_t>(data));
}

using LineFormatter = std::size_t (*)(char*, std::uint32_t, const std::uint8_t*);

// Frames the lines of `bytes_per_line` bytes each with the two banners. A
// short last block is zero-filled; no byte past data + length is read.
void Dump(const std::uint8_t* data, const char* title, std::int32_t length, std::uint32_t bytes_per_line,
          LineFormatter format_line) {
    WriteBanner("Start", data, title, length);
    if (length > 0) {
        const std::uint32_t total = static_cast<std::uint32_t>(length);
        char line[kDumpLineCapacity];
        std::uint32_t done = 0;
        for (; total - done >= bytes_per_line; done += bytes_per_line) {
            WriteFinishedLine(line, format_line(line, done, data + done));
        }
        if (done < total) {
            std::uint8_t block[kHexBytesPerLine] = {};
            std::memcpy(block, data + done, total - done);
            WriteFinishedLine(line, format_line(line, done, block));
        }
    }
    WriteBanner("End", data, title, length);
}

}  // namespace

std::size_t FormatHexDumpLine(char* out, std::uint32_t line_offset, const std::uint8_t* block) {
    char* end = PutLineOffset(out, line_offset);
    end = PutHexGroup(end, block, 8);
    *end++ = ' ';
    *end++ = ' ';
    end = PutHexGroup(end, block + 8, 8);
    *end++ = ' ';
    *end++ = ':';
    end = PutCharacterGroup(end, block, 8);
    *end++ = ' ';
    end = PutCharacterGroup(end, block + 8, 8);
    *end++ = '\n';
    return static_cast<std::size_t>(end - out);
}

std::size_t FormatBitDumpLine(char* out, std::uint32_t line_offset, const std::uint8_t* block) {
    char* end = PutLineOffset(out, line_offset);
    end = PutHexGroup(end, block, 8);
    *end++ = ' ';
    *end++ = ' ';
    *end++ = ':';
    for (std::uint32_t i = 0; i < 8; ++i) end = PutBits(end, block[i]);
    *end++ = '\n';
    return static_cast<std::size_t>(end - out);
}

void HexDump(const std::uint8_t* data, const char* title, std::int32_t length) {
    Dump(data, title, length, kHexBytesPerLine, FormatHexDumpLine);
}

void BitDump(const std::uint8_t* data, const char* title, std::int32_t length) {
    Dump(data, title, length, kBitBytesPerLine, FormatBitDumpLine);
}

}  // namespace varnex
