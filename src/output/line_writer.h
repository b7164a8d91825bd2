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

    // An echoed command line, which is the stream's text and not a message
    // of the program, even when it reads like one. Goes out like any line
    // unless a sink tells the two apart.
    virtual void PutEcho(const char* line, std::size_t length) { Put(line, length); }

    // A line and the empty line that follows it, in one buffer: `lines`
    // ends with both newlines, and `length` counts them. A sink that passes
    // lines on one at a time gets them as two; standard output takes them
    // in one write.
    virtual void PutLineAndEmptyLine(const char* lines, std::size_t length);
};

// The sink that writes to standard output, for a sink that passes lines on.
LineSink& StandardOutputSink();

// Installs `sink` for all later output and returns the one it replaces.
// Passing nullptr restores standard output.
LineSink* SetLineSink(LineSink* sink);

// Writes `text` and a newline as one line.
void WriteLine(std::string_view text);

// Writes `text` and a newline, then an empty line, as WriteLine and
// WriteEmptyLine would, but in one write where the sink takes both at once:
// the log still ends on a whole line wherever the run stops, since both
// leave before the caller goes on.
void WriteLineAndEmptyLine(std::string_view text);

// Writes an echoed command line (at most 513 characters) and a newline.
void WriteEchoLine(std::string_view text);

// Writes a newline alone.
void WriteEmptyLine();

// Writes a line whose text and newline are already in one buffer; the dump
// routines build their lines so, to avoid a copy per line.
void WriteFinishedLine(const char* line, std::size_t length_with_newline);

}  // namespace varnex
