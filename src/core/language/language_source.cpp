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

// The table is read line by line: the slot header, the 163 slot rows, the extra-text header and
// the extra-text rows, in this order.
class SourceParser {
public:
    // False, with the reason(), when the line is refused.
    bool line(const std::vector<std::string_view>& cells) {
        switch (m_part) {
        case Part::SlotHeader:
            return slotHeader(cells);
        case Part::Slots:
            return slotRow(cells);
        case Part::ExtraHeader:
            return extraHeader(cells);
        case Part::Extras:
            return extraRow(cells);
        }
        return false;
    }
    // False with the reason when the table ended early.
    bool finished() {
        if (m_part == Part::SlotHeader) return refuse("no header");
        if (m_part == Part::Slots)
            return refuse("only " + std::to_string(m_row) + " of the 163 texts");
        for (int i = 0; i < kExtraTextCount; ++i)
            if (!m_source.extras[0][static_cast<std::size_t>(i)])
                return refuse("no text for " + std::string(extraTextName(i)));
        return true;
    }

    const std::string& reason() const { return m_why; }
    LanguageSource source() && { return std::move(m_source); }

private:
    enum class Part { SlotHeader, Slots, ExtraHeader, Extras };

    bool refuse(std::string why) {
        m_why = std::move(why);
        return false;
    }

    bool slotHeader(const std::vector<std::string_view>& cells) {
        if (cells.size() < 3 || cells[0] != "index" || cells[1] != "slot")
            return refuse("the header is \"index\", \"slot\", then one code per language");
        for (std::size_t k = 2; k < cells.size(); ++k) {
            if (!toWindows1252(cells[k], m_text, m_why)) return false;
            if (m_text.size() != 3)
                return refuse("\"" + std::string(cells[k]) + "\" is not a three-letter code");
            m_source.codes.push_back(m_text);
        }
        if (m_source.codes.size() > kMaxLanguages) return refuse("more than 13 languages");
        m_source.blocks.resize(m_source.codes.size());
        m_source.extras.resize(m_source.codes.size());
        m_part = Part::Slots;
        return true;
    }

    bool slotRow(const std::vector<std::string_view>& cells) {
        if (!columns(cells, 2)) return false;
        int index = -1;
        const auto [end, ec] =
            std::from_chars(cells[0].data(), cells[0].data() + cells[0].size(), index);
        if (ec != std::errc{} || end != cells[0].data() + cells[0].size() || index != m_row)
            return refuse("expected the row of index " + std::to_string(m_row));
        if (cells[1] != slotName(m_row))
            return refuse("the slot of index " + std::to_string(m_row) + " is " +
                          std::string(slotName(m_row)));
        const auto row = static_cast<std::size_t>(m_row);
        for (std::size_t k = 0; k < m_source.codes.size(); ++k) {
            if (!convert(k, cells[k + 2])) return false;
            if (m_text.empty() && !m_source.blocks[0][row].empty())
                return refuse(m_source.codes[k] + " leaves this text untranslated");
            m_source.blocks[k][row] = m_text;
        }
        if (++m_row == kLanguageTextCount) m_part = Part::ExtraHeader;
        return true;
    }

    bool extraHeader(const std::vector<std::string_view>& cells) {
        bool same = cells.size() == m_source.codes.size() + 1 && cells[0] == "name";
        for (std::size_t k = 0; same && k < m_source.codes.size(); ++k)
            same = cells[k + 1] == m_source.codes[k];
        if (!same)
            return refuse("after the 163 texts, the header \"name\" and the same codes follow");
        m_part = Part::Extras;
        return true;
    }

    bool extraRow(const std::vector<std::string_view>& cells) {
        if (!columns(cells, 1)) return false;
        const int index = extraTextIndex(cells[0]);
        if (index < 0) return refuse("no text is called \"" + std::string(cells[0]) + "\"");
        const auto row = static_cast<std::size_t>(index);
        if (m_source.extras[0][row]) return refuse(std::string(cells[0]) + " is listed twice");
        for (std::size_t k = 0; k < m_source.codes.size(); ++k) {
            if (!convert(k, cells[k + 1])) return false;
            // Another language may leave a text out: the built-in English stands in for it.
            if (k == 0 && m_text.empty())
                return refuse(m_source.codes[0] + " leaves " + std::string(cells[0]) + " empty");
            if (!m_text.empty()) m_source.extras[k][row] = m_text;
        }
        return true;
    }

    bool columns(const std::vector<std::string_view>& cells, std::size_t keys) {
        const std::size_t wanted = m_source.codes.size() + keys;
        if (cells.size() == wanted) return true;
        return refuse("expected " + std::to_string(wanted) + " columns, found " +
                      std::to_string(cells.size()));
    }

    // The text of language k into m_text.
    bool convert(std::size_t k, std::string_view cell) {
        if (toWindows1252(cell, m_text, m_why)) return true;
        m_why = m_source.codes[k] + ": " + m_why;
        return false;
    }

    Part m_part = Part::SlotHeader;
    int m_row = 0;
    LanguageSource m_source;
    std::string m_text;
    std::string m_why;
};

} // namespace

int windows1252Byte(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
    for (std::size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] != 0 && kHighControls[i] == c) return 0x80 + static_cast<int>(i);
    return -1;
}

std::optional<LanguageSource> parseLanguageSource(std::string_view utf8, std::string* error) {
    int lineNumber = 0;
    SourceParser parser;
    auto fail = [&]() -> std::optional<LanguageSource> {
        if (error) *error = "line " + std::to_string(lineNumber) + ": " + parser.reason();
        return std::nullopt;
    };
    if (utf8.starts_with("\xEF\xBB\xBF")) utf8.remove_prefix(3);
    for (std::string_view line : split(utf8, '\n')) {
        ++lineNumber;
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (line.empty() || line.starts_with('#')) continue;
        if (!parser.line(split(line, '\t'))) return fail();
    }
    ++lineNumber;
    if (!parser.finished()) return fail();
    return std::move(parser).source();
}

} // namespace cantelo
