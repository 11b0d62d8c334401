#pragma once

#include "core/language/language.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cantelo {

// The readable source of the shipped languages: a UTF-8 table, one row per text, columns
// separated by tabs. Lines starting with '#' and empty lines are comments. The first row is the
// header "index", "slot", then one three-letter language code per column; then the 163 rows in
// slot order: the index, the slot name (slotName), and the text in each language, in the
// language file's own notation ("¦" between filter parts, "³" and "²" for carriage return and
// line feed). A second part holds the texts beyond the slots: the header "name" and the same
// codes, then one row per extra text (extraTextName), in any order, with its text in each
// language.
struct LanguageSource {
    std::vector<std::string> codes;    // Windows-1252
    std::vector<LanguageBlock> blocks; // per language, Windows-1252, file form
    std::vector<ExtraBlock> extras;    // per language; an empty cell gives no text
};

// Parses the table. Nothing, with "line N: reason" in `error`, when a slot row is missing, out
// of order or misnamed, a row has the wrong number of columns, holds a character that
// Windows-1252 cannot write or a control character, or leaves a slot text empty that the first
// language fills; also when an extra text's name is unknown or listed twice, or the first
// language lacks a text for one of them.
std::optional<LanguageSource> parseLanguageSource(std::string_view utf8, std::string* error);

// The Windows-1252 byte of a Unicode character, or -1 when the code page has none.
int windows1252Byte(char32_t c);

} // namespace cantelo
