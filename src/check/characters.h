#pragma once
// Character classes the checks share.

namespace varnex {

inline bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

inline bool IsHexDigit(char c) { return IsDecimalDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

inline char FoldToUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : c; }

}  // namespace varnex
