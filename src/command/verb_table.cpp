#include "command/verb_table.h"

#include <cstring>

namespace varnex {
namespace {

// In the order verbs of equal length are tried.
constexpr Verb kVerbs[] = {
    {"VER", CommandCode::kVerify, 2, 2},
    {"REP", CommandCode::kReplace, 2, 2},
    {"POP", CommandCode::kPop, 0, 0},
    {"PAGE", CommandCode::kPage, 2, 1},
    {"DUMP", CommandCode::kDump, 2, 0},
    {"PUSH", CommandCode::kPush, 0, 0},
    {"WRITE", CommandCode::kWrite, 0, 0},
    {"SEARCH", CommandCode::kSearch, 2, 2},
    {"BITDUMP", CommandCode::kBitDump, 2, 0},
    {"PAGESIZE", CommandCode::kPageSize, 1, 1},
};

char FoldToLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

bool EqualIgnoringCase(const char* text, const char* name, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        if (FoldToLower(text[i]) != FoldToLower(name[i])) return false;
    }
    return true;
}

}  // namespace

const Verb* MatchVerb(const char* text, std::size_t length) {
    for (const Verb& verb : kVerbs) {
        if (std::strlen(verb.name) == length && EqualIgnoringCase(text, verb.name, length)) return &verb;
    }
    return nullptr;
}

const Verb* VerbFor(CommandCode code) {
    if (code == CommandCode::kIndirectPage) code = CommandCode::kPage;
    for (const Verb& verb : kVerbs) {
        if (verb.code == code) return &verb;
    }
    return nullptr;
}

}  // namespace varnex
