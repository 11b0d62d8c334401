#pragma once

#include "core/lyrics/text_encoding.h"

#include <QString>

#include <string_view>

namespace cantelo {

// Interface and song texts are Windows-1252 bytes, like the language file that supplies them.
QString uiText(std::string_view cp1252);

// Song texts are read in the song's encoding.
QString songText(std::string_view bytes, const TextEncoding& encoding);

} // namespace cantelo
