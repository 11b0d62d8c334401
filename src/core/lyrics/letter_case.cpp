#include "core/lyrics/letter_case.h"

#include "core/lyrics/cp1252.h"

#include <cwctype>
#include <locale.h>

namespace cantelo {

namespace {

// Opened once and kept for the life of the process: locale objects are meant to be shared.
locale_t unicodeLocale() {
    static const locale_t loc = [] {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"})
            if (const locale_t l = newlocale(LC_CTYPE_MASK, name, locale_t{})) return l;
        return locale_t{};
    }();
    return loc;
}

} // namespace

char32_t toLetterCase(char32_t c, LetterCase to) {
    if (const locale_t loc = unicodeLocale()) {
        const auto w = static_cast<wint_t>(c);
        return static_cast<char32_t>(to == LetterCase::Upper ? towupper_l(w, loc)
                                                             : towlower_l(w, loc));
    }
    const std::optional<char> byte = cp1252FromUnicode(c);
    if (!byte) return c;
    return unicodeFromCp1252(to == LetterCase::Upper ? upperCp1252(*byte) : lowerCp1252(*byte));
}

std::string characterInCase(std::string_view text, std::size_t pos, LetterCase to,
                            const TextEncoding& encoding) {
    const std::size_t length = encoding.charLength(text, pos);
    const std::string_view own = text.substr(pos, length);
    if (encoding.isWindows1252())
        return std::string(1, to == LetterCase::Upper ? upperCp1252(text[pos])
                                                      : lowerCp1252(text[pos]));
    const char32_t c = encoding.decodeAt(text, pos);
    if (c == U'\uFFFD') return std::string(own);
    const char32_t mapped = toLetterCase(c, to);
    if (mapped == c) return std::string(own);
    return encoding.encode(mapped).value_or(std::string(own));
}

std::string textInCase(std::string_view text, LetterCase to, const TextEncoding& encoding) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); at += encoding.charLength(text, at))
        out += characterInCase(text, at, to, encoding);
    return out;
}

} // namespace cantelo
