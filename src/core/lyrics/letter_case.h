#pragma once

#include "core/lyrics/text_encoding.h"

#include <string>
#include <string_view>

namespace cantelo {

enum class LetterCase { Upper, Lower };

// The Unicode simple case mapping of one character (one character in, one out: "ß" stays "ß").
// Read from the C library's UTF-8 character tables through a locale opened for the purpose, so
// the process locale, which may well be plain "C", does not matter. Where that locale cannot be
// opened, only the letters of Windows-1252 change.
char32_t toLetterCase(char32_t c, LetterCase to);

// The bytes of the character at `pos` of `text` (one of `encoding`) in the other case, or the
// character's own bytes when it has no other case, the encoding has no bytes for the other case,
// or the bytes are not a readable character (they are kept as they are, never replaced).
// Windows-1252 converts byte by byte through its own table.
std::string characterInCase(std::string_view text, std::size_t pos, LetterCase to,
                            const TextEncoding& encoding);

// The whole text in the other case, character by character as characterInCase does.
std::string textInCase(std::string_view text, LetterCase to, const TextEncoding& encoding);

} // namespace cantelo
