#pragma once
// Random runs for the invariant test: a random file, a random command stream
// written in the many forms the command language allows, and the checker
// that holds a finished run's log and file against the reference model.

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "reference_model.h"

namespace varnex::reliability {

class Random {
public:
    explicit Random(std::uint64_t seed) : engine_(seed) {}
    std::uint32_t Below(std::uint32_t bound) { return bound == 0 ? 0 : static_cast<std::uint32_t>(engine_() % bound); }
    bool OneIn(std::uint32_t n) { return Below(n) == 0; }
    template <typename T, std::size_t N>
    T Pick(const T (&choices)[N]) {
        return choices[Below(N)];
    }

private:
    std::mt19937_64 engine_;
};

struct RandomRun {
    enum class Ending { kEndMarker, kEndOfInput, kNoFinalLineFeed };

    std::uint64_t seed = 0;
    std::string image;
    std::uint32_t page_size = 0;
    std::vector<std::string> lines;  // as sent, without line feeds
    std::vector<ModelCommand> commands;
    Ending ending = Ending::kEndOfInput;
    std::string stream;
};

// Lines after the end marker; none of them may run or be echoed.
inline constexpr const char* kAfterTheEnd = "after-the-end";

namespace detail {

inline std::string Verb(Random& random, const char* upper) {
    std::string word(upper);
    const std::uint32_t style = random.Below(4);
    for (char& c : word) {
        const bool letter = c >= 'A' && c <= 'Z';
        if (letter && (style == 1 || (style == 2 && random.OneIn(2)))) c = static_cast<char>(c - 'A' + 'a');
    }
    return word;
}

inline std::string Blanks(Random& random) { return std::string(1 + random.Below(3) * random.Below(2), ' '); }

inline std::string Number(Random& random, std::uint32_t value) {
    // Decimal reading clamps at 2147483647, so larger values go in hexadecimal.
    if (value > 0x7FFFFFFFu) return Format("0x%X", value);
    if (value != 0 && value % 1024 == 0 && random.OneIn(3)) return std::to_string(value / 1024) + (random.OneIn(2) ? "K" : "k");
    switch (random.Below(3)) {
        case 0: return Format("0x%X", value);
        case 1: return Format("0X%x", value);
        default: return std::to_string(value);
    }
}

inline std::string Data(Random& random, const std::string& bytes) {
    if (bytes.empty()) return "0";  // one character: no byte
    std::string text;
    const bool lower = random.OneIn(2);
    for (const char c : bytes) text += Format(lower ? "%02x" : "%02X", static_cast<unsigned char>(c));
    return text;
}

inline std::string RandomBytes(Random& random, std::uint32_t count) {
    std::string bytes;
    for (std::uint32_t i = 0; i < count; ++i) bytes += static_cast<char>(random.Below(256));
    return bytes;
}

// Some bytes of the page at `offset` with the case of letters turned at
// random: they still compare equal.
inline std::string Copied(Random& random, const std::string& page, std::uint32_t offset, std::uint32_t count) {
    std::string bytes = page.substr(offset, count);
    for (char& c : bytes) {
        if (random.OneIn(3) && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) c = static_cast<char>(c ^ 0x20);
    }
    return bytes;
}

// An offset in the current page: mostly inside, sometimes at or just past
// the end, rarely far beyond (a value that prints negative).
inline std::uint32_t PageOffset(Random& random, std::uint32_t loaded, std::uint32_t count) {
    switch (random.Below(10)) {
        case 0: return loaded >= count ? loaded - count : 0;  // ends exactly at the end
        case 1: return loaded - count + 1;                     // one byte too far (wraps when count > loaded)
        case 2: return random.OneIn(4) ? 0x80000000u : loaded + random.Below(8);
        default: return random.Below(loaded + 1);
    }
}

inline ModelCommand Choose(Random& random, const ReferenceModel& shadow, std::uint32_t file_size) {
    const ReferenceModel::Slot& slot = shadow.Current();
    const std::string& page = slot.page;
    const auto loaded = static_cast<std::uint32_t>(page.size());
    ModelCommand command;
    // Without a page most commands are refused: load one more often then.
    const bool no_page = slot.state == ReferenceModel::State::kNoPage;
    const std::uint32_t roll = no_page && random.Below(10) < 6 ? 0 : random.Below(100);
    if (roll < 14) {
        command.verb = Verb::kPage;
        const std::uint32_t step = slot.page_size == 0 ? 1 : slot.page_size;
        switch (random.Below(10)) {
            case 0: command.value = file_size; break;                    // the end of the file
            case 1: command.high = 1 + random.Below(2); command.value = random.Below(file_size + 1); break;
            case 2: command.value = step * random.Below(file_size / step + 2); break;
            case 3: case 4: command.value = step * random.Below(file_size / step + 1); break;
            default: command.value = random.Below(file_size + 1); break;
        }
    } else if (roll < 17) {
        command.verb = Verb::kPageNumber;
        command.value = random.Below(file_size / (slot.page_size == 0 ? 1 : slot.page_size) + 3);
    } else if (roll < 22) {
        command.verb = Verb::kIndirect;
        command.kind = random.Pick({StoredKind::kWI16, StoredKind::kWI16, StoredKind::kWC16, StoredKind::kWI32});
        command.value = PageOffset(random, loaded, 2);
    } else if (roll < 34) {
        command.verb = Verb::kVerify;
        const std::uint32_t count = random.OneIn(12) ? 0 : 1 + random.Below(8);
        command.value = PageOffset(random, loaded, count);
        const bool fits = static_cast<std::uint64_t>(command.value) + count <= loaded;
        command.data = fits && !random.OneIn(5) ? Copied(random, page, command.value, count) : RandomBytes(random, count);
    } else if (roll < 52) {
        command.verb = Verb::kReplace;
        const std::uint32_t count = random.OneIn(15) ? 128 : random.OneIn(15) ? 0 : 1 + random.Below(8);
        command.value = random.OneIn(3) || loaded < count ? PageOffset(random, loaded, count)
                                                          : random.Below(loaded - count + 1);
        command.data = RandomBytes(random, count);
    } else if (roll < 66) {
        command.verb = Verb::kWrite;
    } else if (roll < 69) {
        command.verb = random.OneIn(3) ? Verb::kBitDump : Verb::kDump;
        command.offset = random.OneIn(3) ? 0 : PageOffset(random, loaded, 1);
        command.value = random.OneIn(3) ? 0 : random.Below(48);
    } else if (roll < 75) {
        command.verb = Verb::kSearch;
        const std::uint32_t count = random.OneIn(15) ? 0 : 1 + random.Below(6);
        command.value = random.OneIn(2) ? 0 : PageOffset(random, loaded, count);
        const std::uint32_t from = random.Below(loaded + 1);
        command.data = static_cast<std::uint64_t>(from) + count <= loaded && !random.OneIn(4)
                           ? Copied(random, page, from, count)
                           : RandomBytes(random, count);
    } else if (roll < 80) {
        command.verb = Verb::kPageSize;
        const std::uint32_t sizes[] = {1, 16, 50, 100, 256, 512, 1000, 1024, 4096, 8192};
        command.value = random.OneIn(8) ? loaded : random.Pick(sizes);
    } else if (roll < 88) {
        command.verb = Verb::kPush;
    } else if (roll < 95) {
        command.verb = Verb::kPop;
    } else if (roll < 98) {
        command.verb = Verb::kNoCommand;
    } else {
        command.verb = Verb::kMissingOperand;
    }
    return command;
}

inline std::string Render(Random& random, const ModelCommand& command, std::size_t index) {
    const std::string gap = Blanks(random);
    switch (command.verb) {
        case Verb::kPage: {
            std::string operand;
            if (command.high != 0) {
                operand = random.OneIn(2) ? std::to_string(command.high) + ":" + std::to_string(command.value)
                                          : Format("0x%X:%X", command.high, command.value);
            } else {
                operand = random.OneIn(6) ? "0:" + std::to_string(command.value) : Number(random, command.value);
            }
            return Verb(random, "PAGE") + gap + operand;
        }
        case Verb::kPageNumber:
            return Verb(random, "PAGE") + gap + "#" + std::to_string(command.value);
        case Verb::kIndirect: {
            const char* kinds[] = {"WI16", "WI32", "WC16"};
            return Verb(random, "PAGE") + gap + "@" + Number(random, command.value) + Blanks(random) +
                   Verb(random, kinds[static_cast<int>(command.kind)]);
        }
        case Verb::kVerify:
            return Verb(random, "VER") + gap + Number(random, command.value) + Blanks(random) + Data(random, command.data);
        case Verb::kReplace:
            return Verb(random, "REP") + gap + Number(random, command.value) + Blanks(random) + Data(random, command.data);
        case Verb::kSearch:
            return Verb(random, "SEARCH") + gap + Number(random, command.value) + Blanks(random) +
                   Data(random, command.data);
        case Verb::kWrite:
            return Verb(random, "WRITE") + (random.OneIn(5) ? " it back" : "");
        case Verb::kDump:
        case Verb::kBitDump: {
            std::string line = Verb(random, command.verb == Verb::kDump ? "DUMP" : "BITDUMP");
            if (command.offset == 0 && command.value == 0 && random.OneIn(2)) return line;
            line += gap + Number(random, command.offset);
            if (command.value != 0 || random.OneIn(2)) line += Blanks(random) + Number(random, command.value);
            return line;
        }
        case Verb::kPageSize:
            return Verb(random, "PAGESIZE") + gap + Number(random, command.value);
        case Verb::kPush:
            return Verb(random, "PUSH");
        case Verb::kPop:
            return Verb(random, "POP") + (random.OneIn(5) ? " 3" : "");
        case Verb::kNoCommand:
            // Never an empty line: its echo could not be told from the
            // empty lines that follow messages.
            return random.OneIn(2) ? "* note " + std::to_string(index) : std::string(1 + random.Below(3), ' ');
        case Verb::kMissingOperand: {
            const char* lines[] = {"PAGE", "VER 10", "REP", "SEARCH 0", "PAGESIZE", "rep 4"};
            return random.Pick(lines);
        }
    }
    return {};
}

}  // namespace detail

inline RandomRun GenerateRun(std::uint64_t seed) {
    Random random(seed);
    RandomRun run;
    run.seed = seed;
    const std::uint32_t page_sizes[] = {16, 64, 100, 256, 512, 4096};
    run.page_size = random.Pick(page_sizes);
    const std::uint32_t size = random.OneIn(4) ? random.Below(300) : random.Below(6000);
    for (std::uint32_t i = 0; i < size; ++i) {
        const std::uint32_t kind = random.Below(10);
        if (kind < 4) {
            run.image += static_cast<char>((random.OneIn(2) ? 'a' : 'A') + random.Below(26));
        } else if (kind < 6) {
            run.image += static_cast<char>(random.Below(4));
        } else {
            run.image += static_cast<char>(random.Below(256));
        }
    }
    // Stored offsets that point into the file, for PAGE @.
    for (std::uint32_t i = 0; size >= 4 && i < size / 64; ++i) {
        const std::uint32_t at = random.Below(size - 1);
        const std::uint32_t target = random.Below(size);
        run.image[at] = static_cast<char>(target & 0xFF);
        run.image[at + 1] = static_cast<char>(target >> 8);
    }

    ReferenceModel shadow(run.image, run.page_size);
    const std::uint32_t count = 10 + random.Below(90);
    for (std::uint32_t i = 0; i < count; ++i) {
        const ModelCommand command = detail::Choose(random, shadow, size);
        run.lines.push_back(detail::Render(random, command, i));
        run.commands.push_back(command);
        shadow.Apply(command, FaultMarks{});
    }
    run.ending = static_cast<RandomRun::Ending>(random.Below(3));
    if (run.ending == RandomRun::Ending::kNoFinalLineFeed && run.lines.back().find_first_not_of(' ') == std::string::npos) {
        run.lines.back() = "* the last line";
    }
    for (std::size_t i = 0; i < run.lines.size(); ++i) {
        run.stream += run.lines[i];
        if (i + 1 < run.lines.size() || run.ending != RandomRun::Ending::kNoFinalLineFeed) run.stream += '\n';
    }
    if (run.ending == RandomRun::Ending::kEndMarker) {
        run.stream += random.OneIn(2) ? "/*\n" : "/* the end\n";
        run.stream += std::string("PAGE 0 ") + kAfterTheEnd + "\nREP 0 00\nWRITE " + kAfterTheEnd + "\n";
    }
    return run;
}

// Changes placed where a stream that takes changes back is easiest to get
// wrong, for a stretch of `size` bytes at `base` (a multiple of the page
// size; the file ends with the stretch): a run of bytes around the page
// boundary `boundary` (counted from `base`), on either side of it or across
// it and often longer than one REP line holds, each page written in turn; a
// change in the last, partial page; and a page of another size, loaded in a
// pushed slot where it overlaps the others, changed and written.
inline std::string PlacedChanges(Random& random, std::uint64_t base, std::uint32_t size, std::uint32_t page_size,
                                 std::uint32_t boundary) {
    if (size == 0) return {};
    std::string lines;
    const auto page = [&](std::uint64_t offset) {
        lines += offset >> 32 ? Format("PAGE 0x%X:%X\n", static_cast<unsigned>(offset >> 32), static_cast<unsigned>(offset))
                              : Format("PAGE 0x%X\n", static_cast<unsigned>(offset));
    };
    const auto replace = [&](std::uint32_t at, std::uint32_t count) {
        for (std::uint32_t done = 0; done < count; done += 128) {
            const std::uint32_t part = std::min<std::uint32_t>(128, count - done);
            lines += Format("REP 0x%X ", at + done) + detail::Data(random, detail::RandomBytes(random, part)) + "\n";
        }
    };
    const std::uint32_t length = std::min(size, random.OneIn(2) ? 129 + random.Below(300) : 1 + random.Below(40));
    const std::uint32_t start = std::min(boundary - std::min(boundary, random.Below(length + 1)), size - length);
    for (std::uint32_t first = start / page_size * page_size; first < start + length; first += page_size) {
        const std::uint32_t from = std::max(start, first);
        page(base + first);
        replace(from - first, std::min({start + length, first + page_size, size}) - from);
        lines += "WRITE\n";
    }
    if (size % page_size != 0) {
        const std::uint32_t last = size - size % page_size;
        const std::uint32_t at = random.Below(size % page_size);
        page(base + last);
        replace(at, std::min(1 + random.Below(8), size - last - at));
        lines += "WRITE\n";
    }
    const std::uint32_t other_sizes[] = {50, 100, 1000};
    const std::uint32_t other = random.Pick(other_sizes);
    const std::uint32_t at = random.Below(size);
    lines += Format("PUSH\nPAGESIZE %u\n", other);
    page(base + at);
    replace(0, std::min(other, size - at));
    lines += "WRITE\nPOP\n";
    return lines;
}

// Checks a finished run: the log against the reference model, command by
// command, and the file afterwards. Returns an empty text when every promise
// held, else what broke.
struct CheckOutcome {
    std::string failure;
    std::size_t writes_checked = 0;
};

inline std::vector<std::string> SplitLines(const std::string& log, bool& complete) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < log.size()) {
        const std::size_t end = log.find('\n', start);
        if (end == std::string::npos) break;
        lines.push_back(log.substr(start, end - start));
        start = end + 1;
    }
    complete = start == log.size();
    return lines;
}

inline CheckOutcome CheckRun(const RandomRun& run, const std::string& log, const std::string& file_after) {
    CheckOutcome outcome;
    bool complete = false;
    const std::vector<std::string> log_lines = SplitLines(log, complete);
    if (!complete) return {"the log ends in the middle of a line", 0};
    if (log.find(kAfterTheEnd) != std::string::npos) return {"a line after the end marker was read", 0};

    // Where each line sent was echoed.
    std::vector<std::string> echoed = run.lines;
    if (run.ending == RandomRun::Ending::kEndMarker) {
        const std::size_t marker = run.stream.find("/*");
        echoed.push_back(run.stream.substr(marker, run.stream.find('\n', marker) - marker));
    }
    std::vector<std::size_t> echo_at;
    std::size_t search_from = 0;
    for (const std::string& line : echoed) {
        std::size_t at = search_from;
        while (at < log_lines.size() && log_lines[at] != line) ++at;
        if (at == log_lines.size()) return {"the line '" + line + "' was not echoed in order", 0};
        echo_at.push_back(at);
        search_from = at + 1;
    }

    ReferenceModel model(run.image, run.page_size);
    for (std::size_t k = 0; k < echoed.size(); ++k) {
        const std::size_t end = k + 1 < echo_at.size() ? echo_at[k + 1] : log_lines.size();
        FaultMarks marks;
        std::vector<std::string> actual;
        std::vector<std::pair<std::uint64_t, std::uint64_t>> writes;
        for (std::size_t i = echo_at[k] + 1; i < end; ++i) {
            const std::string& line = log_lines[i];
            if (line.rfind("MIP", 0) == 0) {
                actual.push_back(line);
            } else if (line == "~~ seek fault") {
                marks.seek_failed = true;
            } else if (line.rfind("~~ read fault after ", 0) == 0) {
                marks.read_failed = true;
                marks.read_before_failure = static_cast<std::uint32_t>(std::stoul(line.substr(20)));
            } else if (line == "~~ write fault") {
                marks.write_failed = true;
            } else if (line.rfind("~~ wrote ", 0) == 0) {
                const std::size_t blank = line.find(' ', 9);
                writes.emplace_back(std::stoull(line.substr(9, blank - 9)), std::stoull(line.substr(blank + 1)));
            }
        }
        std::vector<std::string> expected;
        if (k < run.commands.size()) expected = model.Apply(run.commands[k], marks);
        for (const auto& [start, length] : writes) {
            if (!model.MayWrite(start, length)) {
                return {Format("line %zu '%s' wrote %llu bytes at %llu outside a WRITE of an Updated page", k + 1,
                               echoed[k].c_str(), static_cast<unsigned long long>(length),
                               static_cast<unsigned long long>(start)),
                        0};
            }
            ++outcome.writes_checked;
        }
        if (k + 1 == echoed.size()) {
            for (std::string& line : model.End()) expected.push_back(std::move(line));
        }
        if (actual != expected) {
            std::string text = Format("line %zu '%s': messages differ\n  expected:\n", k + 1, echoed[k].c_str());
            for (const std::string& line : expected) text += "    " + line + "\n";
            text += "  printed:\n";
            for (const std::string& line : actual) text += "    " + line + "\n";
            return {text, 0};
        }
    }
    if (log_lines.empty() || log_lines.back() != "Quillmark (Varnex) Version: 1.3.1 build: 11 mip completed.") {
        return {"the log does not end with the closing banner", 0};
    }

    // The file: its size kept, every changed byte inside a range that a
    // replacement put into a page that a write then wrote, and exactly the
    // bytes the model expects.
    if (file_after.size() != run.image.size()) {
        return {Format("the file's size changed from %zu to %zu", run.image.size(), file_after.size()), 0};
    }
    for (std::size_t i = 0; i < file_after.size(); ++i) {
        if (file_after[i] == run.image[i]) continue;
        bool allowed = false;
        for (const auto& [start, end] : model.Allowed()) allowed = allowed || (i >= start && i < end);
        if (!allowed) return {Format("byte %zu changed outside every replaced range of a page written", i), 0};
    }
    if (file_after != model.Image()) {
        std::size_t i = 0;
        while (file_after[i] == model.Image()[i]) ++i;
        return {Format("byte %zu of the file is %02X, the model expects %02X", i,
                       static_cast<unsigned char>(file_after[i]), static_cast<unsigned char>(model.Image()[i])),
                0};
    }
    return outcome;
}

}  // namespace varnex::reliability
