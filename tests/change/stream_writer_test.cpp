// The command stream of a set of changes, read back as text.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "change/change_view.h"
#include "change/stream_writer.h"
#include "support/scratch_stream.h"

namespace varnex {
namespace {

ChangedPage Page(std::uint64_t offset, const std::string& old_bytes, const std::string& new_bytes) {
    return {offset, {old_bytes.begin(), old_bytes.end()}, {new_bytes.begin(), new_bytes.end()}};
}

template <typename Sink, typename... Arguments>
std::string Written(const std::vector<ChangedPage>& pages, Arguments... arguments) {
    std::FILE* file = testing::ScratchStream();
    Sink sink(file, arguments...);
    for (const ChangedPage& page : pages) EXPECT_TRUE(sink.Add(page));
    EXPECT_TRUE(sink.Finish());
    std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    EXPECT_EQ(std::fread(text.data(), 1, text.size(), file), text.size());
    std::fclose(file);
    return text;
}

// A short gap is carried in one REP (and verified); a long one is not; a
// page without a change leaves no trace; the counts stand at the top.
TEST(StreamWriter, JoinsNearbyChangesSkipsUnchangedPagesAndCountsFirst) {
    StreamWriterOptions options;
    options.made_by = {"test"};
    const std::string stream = Written<StreamWriter>(
        {Page(0, "abcdefghijklmnopqrstuvwxyz", "Xbcdefghijklmnopqrstuvwxyz"), Page(100, "same", "same"),
         Page(0x100000000ull + 5, "0123456789abcdefghijkl", "0!2!456789abcdefghijk!")},
        options);
    EXPECT_EQ(stream,
              "* test\n* 4 bytes change in 2 pages.\nPAGESIZE 4096\n"
              "PAGE 0x0\nVER 0x0 61\nREP 0x0 58\nWRITE\n"
              "PAGE 0x1:5\nVER 0x1 313233\nVER 0x15 6C\nREP 0x1 213221\nREP 0x15 21\nWRITE\n/*\n");
}

// Data lines hold at most 128 bytes; with verify_pages the VER lines cover
// the whole page, unchanged bytes too.
TEST(StreamWriter, SplitsLongRunsAndVerifiesWholePages) {
    StreamWriterOptions options;
    options.verify_pages = true;
    const std::string old_bytes(300, 'a');
    std::string new_bytes = old_bytes;
    new_bytes.replace(10, 129, 129, 'b');
    const std::string stream = Written<StreamWriter>({Page(0, old_bytes, new_bytes)}, options);
    std::size_t ver_bytes = 0;
    std::size_t rep_bytes = 0;
    for (std::size_t at = 0; (at = stream.find('\n', at)) != std::string::npos; ++at) {
        const std::size_t next = stream.find('\n', at + 1);
        if (next == std::string::npos) break;
        const std::string line = stream.substr(at + 1, next - at - 1);
        const std::size_t data = line.size() - line.find(' ', 4) - 1;
        if (line.rfind("VER ", 0) == 0) ver_bytes += data / 2;
        if (line.rfind("REP ", 0) == 0) rep_bytes += data / 2;
        if (line.rfind("VER ", 0) == 0 || line.rfind("REP ", 0) == 0) {
            EXPECT_LE(data, 256u) << line;
        }
    }
    EXPECT_EQ(ver_bytes, 300u);
    EXPECT_EQ(rep_bytes, 129u);
    EXPECT_NE(stream.find("REP 0x8A 62\n"), std::string::npos) << stream;
}

// Many pages pass through the spool's temporary file in order.
TEST(StreamWriter, KeepsThePagesInOrderPastWhatItHoldsInMemory) {
    std::vector<ChangedPage> pages;
    for (std::uint64_t page = 0; page < 40000; ++page) pages.push_back(Page(page * 16, "ab", "aB"));
    const std::string stream = Written<StreamWriter>(pages, StreamWriterOptions{});
    EXPECT_EQ(stream.rfind("* 40000 bytes change in 40000 pages.\n", 0), 0u);
    EXPECT_NE(stream.find("PAGE 0x9C3F0\nVER 0x1 62\nREP 0x1 42\nWRITE\n/*\n"), std::string::npos);
}

// VER ignores letter case, so only a page whose every change is a letter
// turned to its other case goes unguarded; a byte pair 0x20 apart that is no
// letter ('[' and '{', '@' and '`'), or one other change beside, is guarded.
TEST(StreamWriter, NamesThePagesWhoseOnlyChangesAreLetterCase) {
    std::FILE* file = testing::ScratchStream();
    StreamWriter writer(file, StreamWriterOptions{});
    const ChangedPage pages[] = {Page(0x0, "abc[", "abc{"), Page(0x1000, "Hello", "hELLo"), Page(0x2000, "ab@", "Ab`"),
                                 Page(0x3000, "Zz09", "zZ09"), Page(0x4000, "ab", "aC")};
    for (const ChangedPage& page : pages) EXPECT_TRUE(writer.Add(page));
    EXPECT_TRUE(writer.Finish());
    EXPECT_EQ(writer.CaseOnlyPages(), 2u);
    EXPECT_EQ(writer.CaseOnlyOffsets(), (std::vector<std::uint64_t>{0x1000, 0x3000}));
    std::string text(256, '\0');
    std::rewind(file);
    text.resize(std::fread(text.data(), 1, text.size(), file));
    std::fclose(file);
    EXPECT_EQ(text.rfind("* 10 bytes change in 5 pages.\n* 2 pages change only the case of letters, which VER ignores: "
                         "they are written on a file that differs from the old one in letter case too.\nPAGESIZE ",
                         0),
              0u)
        << text;
}

// Two changes are joined into one VER/REP pair when the equal bytes between
// them cost fewer characters than a line of their own, whose offset grows a
// digit at 0x10, 0x100 and 0x1000: a join rule off by one there, or reading
// the digits of the wrong offset, moves one of these boundaries.
TEST(StreamWriter, JoinsTwoChangesExactlyWhenTheGapCostsLessThanALine) {
    struct Case {
        std::uint32_t first;   // offset of the first changed byte
        std::uint32_t second;  // of the second
        bool joined;
    } cases[] = {
        {0x2, 0x7, true},       {0x2, 0x8, false},      // offsets of 1 digit: 4 equal bytes join
        {0x20, 0x25, true},     {0x20, 0x26, false},    // 2 digits: 4 join, 5 do not
        {0xF9, 0xFF, false},    {0xFA, 0x100, true},    // the second offset has 3 digits from 0x100 on
        {0x200, 0x206, true},   {0x200, 0x207, false},  // 3 digits: 5 join, 6 do not
        {0x3F8, 0x3FE, true},   {0x3F8, 0x3FF, false},
        {0x3FA, 0x400, true},   {0x3F9, 0x400, false},
        {0x1000, 0x1006, true}, {0x1000, 0x1007, false},  // 4 digits: 5 join, 6 do not
    };
    for (const Case& c : cases) {
        std::string old_bytes(0x1100, 'a');
        std::string new_bytes = old_bytes;
        new_bytes[c.first] = 'b';
        new_bytes[c.second] = 'b';
        StreamWriterOptions options;
        options.page_size = 0x2000;
        const std::string stream = Written<StreamWriter>({Page(0, old_bytes, new_bytes)}, options);
        std::size_t rep_lines = 0;
        for (std::size_t at = 0; (at = stream.find("\nREP ", at)) != std::string::npos; ++at) ++rep_lines;
        EXPECT_EQ(rep_lines, c.joined ? 1u : 2u) << std::hex << "changes at 0x" << c.first << " and 0x" << c.second
                                                << "\n" << stream;
    }
}

// The view of one small change, plain and coloured, byte for byte: the
// escape sequences open and close around each run of changed characters and
// nothing else is coloured; the plain view marks the same places with ^.
TEST(ChangeView, ShowsOneChangeColouredOrMarked) {
    struct Case {
        bool colour;
        const char* view;
    } cases[] = {
        {false,
         "Page at 0x20: 2 bytes change\n"
         "old 0000: 30 31 32 33 34 35 36 37   38 39 61 62 63 64 65 66  :01234567 89abcdef\n"
         "new 0000: 30 31 32 33 34 35 36 37   38 39 41 42 63 64 65 66  :01234567 89ABcdef\n"
         "                                          ^^ ^^                          ^^\n"},
        {true,
         "Page at 0x20: 2 bytes change\n"
         "old 0000: 30 31 32 33 34 35 36 37   38 39 \x1b[31m61\x1b[0m \x1b[31m62\x1b[0m 63 64 65 66  "
         ":01234567 89\x1b[31mab\x1b[0mcdef\n"
         "new 0000: 30 31 32 33 34 35 36 37   38 39 \x1b[32m41\x1b[0m \x1b[32m42\x1b[0m 63 64 65 66  "
         ":01234567 89\x1b[32mAB\x1b[0mcdef\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Written<ChangeView>({Page(0x20, "0123456789abcdef", "0123456789ABcdef")}, c.colour), c.view)
            << "colour " << c.colour;
    }
}

TEST(ChangeView, MarksTheChangedBytesUnderTheNewRow) {
    EXPECT_EQ(Written<ChangeView>({Page(0x20, "0123456789abcdefXY", "0123456789abcdefXz")}, false),
              "Page at 0x20: 1 byte changes\n"
              "old 0010: 58 59                                              :XY\n"
              "new 0010: 58 7A                                              :Xz\n"
              "             ^^                                                ^\n");
}

}  // namespace
}  // namespace varnex
