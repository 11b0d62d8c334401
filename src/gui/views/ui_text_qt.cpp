#include "gui/views/ui_text_qt.h"

#include "core/lyrics/cp1252.h"

namespace cantelo {

QString uiText(std::string_view cp1252) {
    QString out;
    out.reserve(qsizetype(cp1252.size()));
    for (const char c : cp1252) out.append(QChar(char16_t(unicodeFromCp1252(c))));
    return out;
}

QString songText(std::string_view bytes, const TextEncoding& encoding) {
    if (encoding.isWindows1252()) return uiText(bytes);
    const std::u32string text = encoding.decode(bytes);
    return QString::fromUcs4(text.data(), qsizetype(text.size()));
}

} // namespace cantelo
