// Fuzz target: the command reader on its own. The first four bytes of the
// input are the page size handed to every call (little-endian), the rest is
// the command stream. Every command is read until the end of the stream.

#include <cstdint>
#include <string_view>

#include "command/byte_source.h"
#include "command/command_reader.h"
#include "fuzz_support.h"

namespace {

using varnex::fuzz::Require;

// Every echoed line holds only the characters 32 to 127 and at most 513 of
// them; the reader prints nothing else but MIP0109E.
class EchoLog final : public varnex::fuzz::LogWatcher {
public:
    std::size_t echoed_characters = 0;
    std::size_t invalid_parameter_lines = 0;

protected:
    void OnLine(std::string_view line) override {
        if (line == "MIP0109E: The command has been ignored because it has invalid parameters.") {
            ++invalid_parameter_lines;
            return;
        }
        Require(line.size() <= 513, "an echoed line longer than 513 characters");
        for (const char c : line) {
            const auto byte = static_cast<unsigned char>(c);
            Require(byte >= 32 && byte <= 127, "an echoed character outside 32 to 127");
        }
        echoed_characters += line.size();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    varnex::fuzz::InputCursor input(data, size);
    const std::uint32_t page_size = input.Word32();
    const std::string_view stream = input.Rest();

    varnex::StringByteSource source(stream);
    varnex::CommandReader reader(source);
    EchoLog log;
    varnex::Command command;
    std::size_t commands = 0;
    std::size_t line_feeds = 0;
    for (const char c : stream) line_feeds += (c == '\n');
    for (;;) {
        command.byte_count = 0xDEAD;
        const varnex::CommandCode code = reader.ReadCommand(page_size, command);
        const auto value = static_cast<std::uint32_t>(code);
        Require(value >= 1 && value <= 12, "a command code outside 1 to 12");
        Require(command.code == code, "the command record holds another code");
        Require(command.byte_count <= varnex::kMaxDataBytes, "more data bytes than the data buffer holds");
        if (code == varnex::CommandCode::kEndOfStream) break;
        ++commands;
        // Each command needs a line of its own: at most one per line feed,
        // plus the last line without one.
        Require(commands <= line_feeds + 1, "more commands than lines");
    }
    Require(log.Complete(), "the log ends in the middle of a line");
    Require(log.echoed_characters <= stream.size(), "more characters echoed than were read");
    Require(log.invalid_parameter_lines + commands <= line_feeds + 1, "more outcomes than lines");
    // The end is final: asking again reads nothing and ends again.
    const std::size_t lines_before = log.Lines();
    Require(reader.ReadCommand(page_size, command) == varnex::CommandCode::kEndOfStream, "a command after the end");
    Require(log.Lines() == lines_before, "output after the end of the stream");
    return 0;
}
