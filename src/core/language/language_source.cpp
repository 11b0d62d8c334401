#include "core/language/language_source.h"

#include <array>
#include <charconv>

namespace cantelo {

namespace {

// Unicode characters of Windows-1252 bytes 0x80..0x9F; 0 where the code page defines none.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// Decodes one UTF-8 character at the front of `s` and removes it; -1 for a malformed sequence.
long nextCodePoint(std::string_view& s) {
    const auto lead = static_cast<unsigned char>(s[0]);
    const int extra = lead < 0x80                   ? 0
                      : lead >= 0xF0 && lead < 0xF5 ? 3
                      : lead >= 0xE0                ? 2
                      : lead >= 0xC2                ? 1
                                                    : -1;
    if (extra < 0 || s.size() < static_cast<std::size_t>(extra) + 1) return -1;
    long c = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int i = 1; i <= extra; ++i) {
        const auto b = static_cast<unsigned char>(s[static_cast<std::size_t>(i)]);
        if ((b & 0xC0) != 0x80) return -1;
        c = c << 6 | (b & 0x3F);
    }
    s.remove_prefix(static_cast<std::size_t>(extra) + 1);
    constexpr long kLeast[] = {0, 0x80, 0x800, 0x10000};
    const bool overlong = c < kLeast[extra];
    return overlong || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF ? -1 : c;
}

// The Windows-1252 form of a UTF-8 cell; false with the reason when it has none.
bool toWindows1252(std::string_view cell, std::string& out, std::string& why) {
    out.clear();
    while (!cell.empty()) {
        const long c = nextCodePoint(cell);
        if (c < 0) {
            why = "malformed UTF-8";
            return false;
        }
        const int b = windows1252Byte(static_cast<char32_t>(c));
        if (b < 0x20 || b == 0x7F) {
            char hex[32]; // room for any long, so no truncation is possible
            std::snprintf(hex, sizeof hex, "U+%04lX", static_cast<unsigned long>(c) & 0x1FFFFFUL);
            why =
                std::string(b < 0 ? "no Windows-1252 character for " : "control character ") + hex;
            return false;
        }
        out += static_cast<char>(b);
    }
    return true;
}

std::vector<std::string_view> split(std::string_view line, char sep) {
    std::vector<std::string_view> parts;
    for (std::size_t at = 0;;) {
        const std::size_t next = line.find(sep, at);
        parts.push_back(line.substr(at, next - at));
        if (next == std::string_view::npos) return parts;
        at = next + 1;
    }
}

} // namespace

int windows1252Byte(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
    for (std::size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] != 0 && kHighControls[i] == c) return 0x80 + static_cast<int>(i);
    return -1;
}

std::optional<LanguageSource> parseLanguageSource(std::string_view utf8, std::string* error) {
    int lineNumber = 0;
    auto fail = [&](const std::string& why) -> std::optional<LanguageSource> {
        if (error) *error = "line " + std::to_string(lineNumber) + ": " + why;
        return std::nullopt;
    };
    if (utf8.starts_with("\xEF\xBB\xBF")) utf8.remove_prefix(3);

    LanguageSource source;
    int row = -1; // -1 while the header is awaited
    std::string text;
    std::string why;
    for (std::string_view line : split(utf8, '\n')) {
        ++lineNumber;
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (line.empty() || line.starts_with('#')) continue;
        const std::vector<std::string_view> cells = split(line, '\t');

        if (row < 0) {
            if (cells.size() < 3 || cells[0] != "index" || cells[1] != "slot")
                return fail("the header is \"index\", \"slot\", then one code per language");
            for (std::size_t k = 2; k < cells.size(); ++k) {
                if (!toWindows1252(cells[k], text, why)) return fail(why);
                if (text.size() != 3)
                    return fail("\"" + std::string(cells[k]) + "\" is not a three-letter code");
                source.codes.push_back(text);
            }
            if (source.codes.size() > kMaxLanguages) return fail("more than 13 languages");
            source.blocks.resize(source.codes.size());
            row = 0;
            continue;
        }

        if (row >= kLanguageTextCount) return fail("more than 163 texts");
        if (cells.size() != source.codes.size() + 2)
            return fail("expected " + std::to_string(source.codes.size() + 2) + " columns, found " +
                        std::to_string(cells.size()));
        int index = -1;
        const auto [end, ec] =
            std::from_chars(cells[0].data(), cells[0].data() + cells[0].size(), index);
        if (ec != std::errc{} || end != cells[0].data() + cells[0].size() || index != row)
            return fail("expected the row of index " + std::to_string(row));
        if (cells[1] != slotName(row))
            return fail("the slot of index " + std::to_string(row) + " is " +
                        std::string(slotName(row)));
        for (std::size_t k = 0; k < source.codes.size(); ++k) {
            if (!toWindows1252(cells[k + 2], text, why)) return fail(source.codes[k] + ": " + why);
            if (text.empty() && !source.blocks[0][static_cast<std::size_t>(row)].empty())
                return fail(source.codes[k] + " leaves this text untranslated");
            source.blocks[k][static_cast<std::size_t>(row)] = text;
        }
        ++row;
    }
    if (row < kLanguageTextCount) {
        ++lineNumber;
        return fail(row < 0 ? "no header" : "only " + std::to_string(row) + " of the 163 texts");
    }
    return source;
}

} // namespace cantelo
