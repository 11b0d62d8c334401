#pragma once

#include <QString>

#include <string_view>

namespace cantelo {

// Interface and song texts are Windows-1252 bytes, like the language file that supplies them.
QString uiText(std::string_view cp1252);

} // namespace cantelo
