// Splitting a line into its verb and the starts of the operands it is handed.

#include "command/tokenizer.h"

#include <gtest/gtest.h>

namespace varnex {
namespace {

constexpr int kNone = -1;

struct TokenCase {
    const char* line;
    CommandCode code;
    int operand1;  // position in the line, or kNone
    int operand2;
};

int PositionIn(const char* line, const char* operand) {
    return operand == nullptr ? kNone : static_cast<int>(operand - line);
}

TEST(Tokenise, VerbsAndTheOperandsTheyAreHanded) {
    const TokenCase cases[] = {
        {"PAGE 0x10 8", CommandCode::kPage, 5, 10},
        {"  search   0   1 2", CommandCode::kSearch, 11, 15},
        {"VER 10 AB CD", CommandCode::kVerify, 4, 7},
        {"rEp 1 2", CommandCode::kReplace, 4, 6},
        {"DUMP 1 2 3", CommandCode::kDump, 5, 7},
        {"BitDump", CommandCode::kBitDump, kNone, kNone},
        {"PAGESIZE 4K 8", CommandCode::kPageSize, 9, kNone},  // operand 1 only
        {"WRITE a b", CommandCode::kWrite, kNone, kNone},
        {"push 1", CommandCode::kPush, kNone, kNone},
        {"pOp 1 2", CommandCode::kPop, kNone, kNone},
        {"PAGE", CommandCode::kPage, kNone, kNone},
        {"PAGE   ", CommandCode::kPage, kNone, kNone},
        {"PAGE @8 WI32", CommandCode::kPage, 5, 8},
        {"PAGE \x7F", CommandCode::kPage, 5, kNone},  // DEL is above the blank
        // No command: blank lines, unknown or partial verbs, a verb run on.
        {"", CommandCode::kNoCommand, kNone, kNone},
        {"     ", CommandCode::kNoCommand, kNone, kNone},
        {"PAG 1", CommandCode::kNoCommand, kNone, kNone},
        {"PAGES 1", CommandCode::kNoCommand, kNone, kNone},
        {"PAGE1", CommandCode::kNoCommand, kNone, kNone},
        {"POP\x7F", CommandCode::kNoCommand, kNone, kNone},
        {"* PAGE 0", CommandCode::kNoCommand, kNone, kNone},
        {"/ * x", CommandCode::kNoCommand, kNone, kNone},
        {"PAGESIZES 1", CommandCode::kNoCommand, kNone, kNone},
    };
    for (const TokenCase& c : cases) {
        const TokenisedLine tokens = Tokenise(c.line);
        EXPECT_EQ(tokens.code, c.code) << '"' << c.line << '"';
        EXPECT_EQ(PositionIn(c.line, tokens.operand1), c.operand1) << '"' << c.line << '"';
        EXPECT_EQ(PositionIn(c.line, tokens.operand2), c.operand2) << '"' << c.line << '"';
    }
}

TEST(Tokenise, EveryVerbInEveryCase) {
    const struct {
        const char* upper;
        const char* lower;
        CommandCode code;
    } verbs[] = {
        {"VER", "ver", CommandCode::kVerify},         {"REP", "rep", CommandCode::kReplace},
        {"POP", "pop", CommandCode::kPop},            {"PAGE", "page", CommandCode::kPage},
        {"DUMP", "dump", CommandCode::kDump},         {"PUSH", "push", CommandCode::kPush},
        {"WRITE", "write", CommandCode::kWrite},      {"SEARCH", "search", CommandCode::kSearch},
        {"BITDUMP", "bitdump", CommandCode::kBitDump}, {"PAGESIZE", "pagesize", CommandCode::kPageSize},
    };
    for (const auto& verb : verbs) {
        EXPECT_EQ(Tokenise(verb.upper).code, verb.code) << verb.upper;
        EXPECT_EQ(Tokenise(verb.lower).code, verb.code) << verb.lower;
    }
}

}  // namespace
}  // namespace varnex
