#pragma once

#include "core/language/extra_texts.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cantelo {

// The extension section of a language file carries the texts of CANTELO_EXTRA_TEXTS, which the
// fixed 163-slot blocks have no room for. It follows the last language block, so a reader that
// knows only the blocks never looks at it. In the plain (unscrambled) form, all numbers little
// endian:
//
//   "CNEXT1"                                   the tag, right after block n-1 (50 + 5300 x n)
//   then sections up to the end of the file:
//     1 byte   language index k (the block it belongs to)
//     4 bytes  the size in bytes of the entries that follow
//     entries: 1 byte   name length (1..255), the name (as in CANTELO_EXTRA_TEXTS)
//              2 bytes  text length (0..355), the text (Windows-1252, no CR, no NUL)
//
// Texts are keyed by name, so a file may lack names that a later editor knows (their built-in
// text stands in) or hold names this one does not know (skipped). The marks of the slot texts
// ("\xA6", "\xB3", "\xB2") mean nothing here: an extra text is used as it is stored.
inline constexpr std::string_view kLanguageExtensionTag = "CNEXT1";
inline constexpr std::size_t kMaxExtraNameLength = 255;

// The extra texts of one language, by ExtraTextId; nothing where the language has no text.
using ExtraBlock = std::array<std::optional<std::string>, kExtraTextCount>;

// The name of an extra text as the language file and its readable source key it; empty outside
// 0..kExtraTextCount-1.
std::string_view extraTextName(int index);
// The index of the extra text called `name`, or -1.
int extraTextIndex(std::string_view name);

// The built-in text of an extra text: the English one, or the Italian one. Empty outside the list.
std::string_view builtInExtraText(int index, bool english);

// Appends the extension section for `blocks` (one per language, in block order) to the plain
// file in `plain`. Languages without any text get no section. False, with the reason in `error`,
// when a text is longer than 355 bytes or holds a carriage return or a NUL; `plain` is then
// unchanged.
bool appendLanguageExtension(std::vector<std::uint8_t>& plain,
                             const std::vector<ExtraBlock>& blocks, std::string* error);

// The extra texts of language k in the plain file `plain`, whose extension tag is expected at
// `at`. Nothing when there is no tag there. Every length is checked against the data: an entry
// that runs past its section or the file ends that section, an over-long text or one holding a
// CR or NUL is skipped, and each name keeps the text of its first entry.
std::optional<ExtraBlock> readLanguageExtension(std::span<const std::uint8_t> plain, std::size_t at,
                                                int k);

} // namespace cantelo
