#pragma once

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

} // namespace cantelo
