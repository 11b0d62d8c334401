#pragma once

#include <optional>

namespace cantelo {

// Letter conversions over the Windows-1252 code page, the encoding of every song text. They work
// byte by byte, so a converted text keeps its length, and never consult the C locale: the result
// is the same on every machine. Bytes that are not letters, and letters without a single-byte
// counterpart (ß, µ), come back unchanged.
char upperCp1252(char c);
char lowerCp1252(char c);

// The letter without its accent, cedilla or tilde (à -> a, É -> E, ç -> c, ñ -> n), keeping its
// case; any other byte unchanged.
char foldAccentCp1252(char c);

// The Unicode character of a byte. The five bytes that Windows-1252 leaves undefined (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) come back as the control characters of the same value, so every byte
// has a character and converting it back gives the same byte.
char32_t unicodeFromCp1252(char c);
// The byte of a Unicode character, or nothing when Windows-1252 has no byte for it.
std::optional<char> cp1252FromUnicode(char32_t u);

} // namespace cantelo
