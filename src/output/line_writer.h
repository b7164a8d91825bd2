#pragma once
// The line convention of the whole log: every line, empty or not, leaves the
// process in exactly one write to standard output, so a run that is killed
// leaves a log that is complete up to its last line.

#include <cstddef>
#include <string_view>

namespace varnex {

// Where finished lines go. The program writes to descriptor 1; tests put a
// capturing sink in its place.
class LineSink {
public:
    virtual ~LineSink() = default;
    // `line` already ends with its newline.
    virtual void Put(const char* line, std::size_t length) = 0;
};

// Installs `sink` for all later output and returns the one it replaces.
// Passing nullptr restores standard output.
LineSink* SetLineSink(LineSink* sink);

// Writes `text` and a newline as one line.
void WriteLine(std::string_view text);

// Writes a newline alone.
void WriteEmptyLine();

// Writes a line whose text and newline are already in one buffer; the dump
// routines build their lines so, to avoid a copy per line.
void WriteFinishedLine(const char* line, std::size_t length_with_newline);

}  // namespace varnex
