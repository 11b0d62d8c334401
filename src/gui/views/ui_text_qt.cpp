#include "gui/views/ui_text_qt.h"

#include <QStringDecoder>

namespace cantelo {

QString uiText(std::string_view cp1252) {
    QStringDecoder decode("windows-1252");
    if (!decode.isValid()) return QString::fromLatin1(cp1252.data(), qsizetype(cp1252.size()));
    return decode(QByteArrayView(cp1252.data(), qsizetype(cp1252.size())));
}

} // namespace cantelo
