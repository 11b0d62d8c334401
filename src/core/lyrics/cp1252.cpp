#include "core/lyrics/cp1252.h"

#include <array>
#include <cstdint>

namespace cantelo {

namespace {

using Table = std::array<std::uint8_t, 256>;

constexpr Table identity() {
    Table t{};
    for (int i = 0; i < 256; ++i) t[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    return t;
}

// Lower-case letters and their capitals, beyond ASCII: the pairs 0xE0-0xFE / 0xC0-0xDE except
// the signs × and ÷, and the four letters that Windows-1252 adds in 0x80-0x9F.
constexpr bool isAccentedLower(int c) {
    return c >= 0xE0 && c <= 0xFE && c != 0xF7;
}
constexpr std::array<std::array<std::uint8_t, 2>, 4> kExtraPairs{
    {{0x9A, 0x8A}, {0x9C, 0x8C}, {0x9E, 0x8E}, {0xFF, 0x9F}}}; // š œ ž ÿ

constexpr Table makeUpper() {
    Table t = identity();
    for (int c = 'a'; c <= 'z'; ++c)
        t[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - 32);
    for (int c = 0xE0; c <= 0xFE; ++c)
        if (isAccentedLower(c)) t[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - 32);
    for (const auto& [lower, upper] : kExtraPairs) t[lower] = upper;
    return t;
}

constexpr Table makeLower() {
    Table t = identity();
    const Table up = makeUpper();
    for (int c = 0; c < 256; ++c)
        if (up[static_cast<std::size_t>(c)] != c)
            t[up[static_cast<std::size_t>(c)]] = static_cast<std::uint8_t>(c);
    return t;
}

constexpr Table makeFold() {
    Table t = identity();
    // Each range of the capitals 0xC0-0xDD, and (32 higher) of the small letters, folds to one
    // base.
    struct Range {
        int first, last;
        char base;
    };
    constexpr Range ranges[] = {{0xC0, 0xC5, 'A'}, {0xC7, 0xC7, 'C'}, {0xC8, 0xCB, 'E'},
                                {0xCC, 0xCF, 'I'}, {0xD1, 0xD1, 'N'}, {0xD2, 0xD6, 'O'},
                                {0xD8, 0xD8, 'O'}, {0xD9, 0xDC, 'U'}, {0xDD, 0xDD, 'Y'}};
    for (const Range& r : ranges) {
        for (int c = r.first; c <= r.last; ++c) {
            t[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(r.base);
            t[static_cast<std::size_t>(c + 32)] = static_cast<std::uint8_t>(r.base + 32);
        }
    }
    t[0x8A] = 'S';
    t[0x9A] = 's';
    t[0x8E] = 'Z';
    t[0x9E] = 'z';
    t[0x9F] = 'Y';
    t[0xFF] = 'y';
    return t;
}

constexpr Table kUpper = makeUpper();
constexpr Table kLower = makeLower();
constexpr Table kFold = makeFold();

// 0x80-0x9F: where Windows-1252 differs from Latin-1. Zero marks the five undefined bytes.
constexpr std::array<char16_t, 32> kHighControls{
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char look(const Table& t, char c) {
    return static_cast<char>(t[static_cast<unsigned char>(c)]);
}

} // namespace

char upperCp1252(char c) {
    return look(kUpper, c);
}
char lowerCp1252(char c) {
    return look(kLower, c);
}
char foldAccentCp1252(char c) {
    return look(kFold, c);
}

char32_t unicodeFromCp1252(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80 || byte > 0x9F) return byte;
    const char16_t mapped = kHighControls[byte - 0x80u];
    return mapped ? mapped : byte;
}

std::optional<char> cp1252FromUnicode(char32_t u) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return static_cast<char>(u);
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        const char32_t mapped =
            kHighControls[i] ? kHighControls[i] : static_cast<char32_t>(0x80 + i);
        if (mapped == u) return static_cast<char>(0x80 + i);
    }
    return std::nullopt;
}

} // namespace cantelo
