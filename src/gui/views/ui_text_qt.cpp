#include "gui/views/ui_text_qt.h"

#include "core/lyrics/cp1252.h"

namespace cantelo {

QString uiText(std::string_view cp1252) {
    QString out;
    out.reserve(qsizetype(cp1252.size()));
    for (const char c : cp1252) out.append(QChar(char16_t(unicodeFromCp1252(c))));
    return out;
}

} // namespace cantelo
