// Searching and cutting texts by exact UTF-16 code units, case-sensitive.
#pragma once

#include <cstdint>

#include "base/wide_string.h"

// Position of pattern in text, or -1. A start beyond the text's length gives -1; an empty pattern
// gives the start (for a negative start: 0 forward, the text's length backward).
// Forward searches from start (0 when start <= 0); backward takes the match that begins last
// within the text up to start (the whole text when start < 0).
std::int64_t findText(std::u16string_view text, std::u16string_view pattern, std::int64_t start, bool backward);

// The text before the last occurrence of separator; empty when it does not occur.
WideString textBeforeLast(std::u16string_view text, std::u16string_view separator);

// Empties parts, then fills it with the pieces of text between separators, each trimmed of
// characters up to U+0020 and of U+3000 at both ends; empty pieces are dropped. An empty
// separator gives the whole text, untrimmed, as the only part. Returns the number of parts.
std::int32_t splitText(std::u16string_view text, std::u16string_view separator, StringArray& parts);

// The text with the ASCII letters A to Z as a to z; every other character as it is (for SQL
// keywords and names, which SQLite compares that way).
WideString asciiLower(std::u16string_view text);
