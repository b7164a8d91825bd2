// Every cell of the interpreter's state table, driven through the command
// reader over a file in memory. Each case brings the base slot into a state,
// runs one command, and then probes the state that follows with WRITE, whose
// answer differs in each of the four states. Cases are compared by the
// message identifiers printed after the command, in order.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "page/file_access.h"
#include "page/page_state.h"
#include "support/captured_output.h"
#include "support/fake_file_system.h"

namespace varnex {
namespace {

using testing::CapturedOutput;
using testing::FakeFileSystem;

// 48 bytes: byte i is i, except that bytes 0 and 1 hold 16 as a WI16 word.
FakeFileSystem FileOf48Bytes() {
    FakeFileSystem files;
    for (int i = 0; i < 48; ++i) files.contents.push_back(static_cast<std::uint8_t>(i));
    files.contents[0] = 0x10;
    files.contents[1] = 0x00;
    return files;
}

// Streams that leave the base slot (page size 16, page at 0) in each state.
const char* StreamInto(PageState state) {
    switch (state) {
        case PageState::kNoPage: return "";
        case PageState::kLoaded: return "PAGE 0\n";
        case PageState::kVerifyFailed: return "PAGE 0\nVER 0 00\n";
        case PageState::kUpdated: return "PAGE 0\nREP 2 02\n";
    }
    return "";
}

// What WRITE answers in each state (a write of an Updated page succeeds).
const char* ProbeAnswer(PageState state) {
    switch (state) {
        case PageState::kNoPage: return "0103E";
        case PageState::kLoaded: return "0106W";
        case PageState::kVerifyFailed: return "0108W";
        case PageState::kUpdated: return "0117I";
    }
    return "";
}

constexpr char kMarker[] = "* cell\n";

// The message identifiers (without "MIP") in `log`, blank separated; a dump
// shows as DUMP.
std::string MessageIds(const std::string& log) {
    std::string ids;
    std::size_t start = 0;
    while (start < log.size()) {
        const std::size_t end = log.find('\n', start);
        const std::string line = log.substr(start, end - start);
        start = end == std::string::npos ? log.size() : end + 1;
        std::string id;
        if (line.rfind("MIP", 0) == 0 && line.size() > 8) id = line.substr(3, 5);
        if (line.find("Start of Dump") != std::string::npos) id = "DUMP";
        if (id.empty()) continue;
        if (!ids.empty()) ids += ' ';
        ids += id;
    }
    return ids;
}

// Runs setup, marker, command and probe; returns the identifiers printed
// after the marker.
std::string IdsAfterCommand(PageState state, const std::string& command) {
    FakeFileSystem files = FileOf48Bytes();
    const std::string stream = std::string(StreamInto(state)) + kMarker + command + "\nWRITE\n";
    StringByteSource source(stream);
    CapturedOutput output;
    OpenAndRun("cells", 16, files, source);
    const std::string& log = output.Text();
    const std::size_t marker = log.find(kMarker);
    return marker == std::string::npos ? "no marker: " + log : MessageIds(log.substr(marker));
}

struct Cell {
    PageState state;
    const char* command;
    const char* printed;  // identifiers the command prints
    PageState after;
};

constexpr PageState kNo = PageState::kNoPage;
constexpr PageState kLoaded = PageState::kLoaded;
constexpr PageState kFailed = PageState::kVerifyFailed;
constexpr PageState kUpdated = PageState::kUpdated;

const Cell kCells[] = {
    // PAGE: LOAD in every state; an Updated page is warned about first.
    {kNo, "PAGE 16", "0110I", kLoaded},
    {kLoaded, "PAGE 16", "0110I", kLoaded},
    {kFailed, "PAGE 16", "0110I", kLoaded},
    {kUpdated, "PAGE 16", "0104W 0110I", kLoaded},
    // A read at the end of the file leaves no page, whatever came before.
    {kNo, "PAGE 48", "0110I", kNo},
    {kLoaded, "PAGE 48", "0110I", kNo},
    {kFailed, "PAGE 48", "0110I", kNo},
    {kUpdated, "PAGE 48", "0104W 0110I", kNo},
    // PAGE @: the stored word is found (or not) before the warning.
    // Not found: the page at 0:0 stands in, held as after a failed verify.
    {kNo, "PAGE @0 WI16", "0123E 0110I", kFailed},
    {kLoaded, "PAGE @0 WI16", "0110I", kLoaded},
    {kFailed, "PAGE @0 WI16", "0110I", kLoaded},
    {kUpdated, "PAGE @0 WI16", "0104W 0110I", kLoaded},
    {kUpdated, "PAGE @15 WI16", "0123E 0104W 0110I", kFailed},
    // VER.
    {kNo, "VER 2 02", "0103E", kNo},
    {kLoaded, "VER 2 02", "0112I", kLoaded},
    {kLoaded, "VER 2 FF", "0113E DUMP", kFailed},
    {kLoaded, "VER 15 0F10", "0111E", kFailed},
    {kFailed, "VER 2 02", "0112I", kFailed},
    {kFailed, "VER 2 FF", "0113E DUMP", kFailed},
    {kUpdated, "VER 2 02", "0112I", kUpdated},
    {kUpdated, "VER 2 FF", "0113E DUMP", kFailed},
    {kUpdated, "VER 15 0F10", "0111E", kFailed},
    // REP.
    {kNo, "REP 2 33", "0103E", kNo},
    {kLoaded, "REP 2 33", "0116I", kUpdated},
    {kLoaded, "REP 15 0F10", "0114E", kFailed},
    {kFailed, "REP 2 33", "0107W", kFailed},
    {kUpdated, "REP 2 33", "0116I", kUpdated},
    {kUpdated, "REP 15 0F10", "0114E", kFailed},
    // WRITE.
    {kNo, "WRITE", "0103E", kNo},
    {kLoaded, "WRITE", "0106W", kLoaded},
    {kFailed, "WRITE", "0108W", kFailed},
    {kUpdated, "WRITE", "0117I", kLoaded},
    // DUMP and BITDUMP.
    {kNo, "DUMP", "0103E", kNo},
    {kLoaded, "DUMP", "DUMP", kLoaded},
    {kFailed, "DUMP 15 100", "DUMP", kFailed},
    {kUpdated, "DUMP", "DUMP", kUpdated},
    {kLoaded, "DUMP 16", "0126E", kLoaded},
    {kNo, "BITDUMP", "0103E", kNo},
    {kLoaded, "BITDUMP 1 1", "DUMP", kLoaded},
    {kFailed, "BITDUMP", "DUMP", kFailed},
    {kUpdated, "BITDUMP", "DUMP", kUpdated},
    {kUpdated, "BITDUMP 0x10", "0126E", kUpdated},
    // SEARCH: the state never changes, found or not.
    {kNo, "SEARCH 0 0203", "0103E", kNo},
    {kLoaded, "SEARCH 0 0203", "0124I", kLoaded},
    {kFailed, "SEARCH 0 EE", "0125I", kFailed},
    {kUpdated, "SEARCH 0 0203", "0124I", kUpdated},
    // PAGESIZE: always reported without a page, else only when it cuts.
    {kNo, "PAGESIZE 16", "0121I", kNo},
    {kLoaded, "PAGESIZE 16", "", kLoaded},
    {kLoaded, "PAGESIZE 8", "0121I", kLoaded},
    {kFailed, "PAGESIZE 64", "", kFailed},
    {kFailed, "PAGESIZE 8", "0121I", kFailed},
    {kUpdated, "PAGESIZE 8", "0121I", kUpdated},
    // PUSH is refused without a page; POP on the base slot always is.
    {kNo, "PUSH", "0103E", kNo},
    {kNo, "POP", "0119W", kNo},
    {kLoaded, "POP", "0119W", kLoaded},
    {kFailed, "POP", "0119W", kFailed},
    {kUpdated, "POP", "0119W", kUpdated},
};

TEST(StateTable, EveryCellPrintsItsMessagesAndSetsItsState) {
    for (const Cell& cell : kCells) {
        std::string expected = cell.printed;
        if (!expected.empty()) expected += ' ';
        expected += ProbeAnswer(cell.after);
        expected += " 0105I";
        EXPECT_EQ(IdsAfterCommand(cell.state, cell.command), expected)
            << "state " << static_cast<int>(cell.state) << ", command " << cell.command;
    }
}

TEST(StateTable, PushIsCarriedOutInEveryStateHoldingAPage) {
    // After PUSH the new slot holds no page; the page below reappears at POP
    // in the state it had.
    for (const PageState state : {kLoaded, kFailed, kUpdated}) {
        EXPECT_EQ(IdsAfterCommand(state, "PUSH\nWRITE\nPOP"), std::string("0103E ") + ProbeAnswer(state) + " 0105I")
            << static_cast<int>(state);
    }
}

TEST(StateTable, EndWarnsOnlyAboutAnUpdatedPage) {
    const struct {
        PageState state;
        const char* printed;
    } cases[] = {{kNo, "0105I"}, {kLoaded, "0105I"}, {kFailed, "0105I"}, {kUpdated, "0104W 0105I"}};
    for (const auto& c : cases) {
        FakeFileSystem files = FileOf48Bytes();
        const std::string stream = std::string(StreamInto(c.state)) + kMarker;
        StringByteSource source(stream);
        CapturedOutput output;
        OpenAndRun("cells", 16, files, source);
        EXPECT_EQ(MessageIds(output.Text().substr(output.Text().find(kMarker))), c.printed)
            << static_cast<int>(c.state);
    }
}

}  // namespace
}  // namespace varnex
