#include "gui/app/about_dialog.h"

#include "gui/app/language_menu_qt.h"
#include "gui/views/cantelo_style_qt.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QStandardPaths>

namespace cantelo {

namespace {

constexpr int kClientWidth = 400;
constexpr int kClientHeight = 128;

QString textOrBuiltIn(const LanguageTexts& texts, TextId id) {
    const std::string& text = texts[id];
    return uiText(text.empty() ? builtInText(static_cast<int>(id)) : text);
}

QFont aboutFont(int pointSize, bool bold) {
    QFont font;
    font.setFamilies({"Comic Sans MS", "Comic Neue"});
    font.setPointSize(pointSize);
    font.setBold(bold);
    return font;
}

// Text placed by its top-left corner, as the layout's coordinates are given.
void drawTextAt(QPainter& p, int x, int y, const QString& text, const QColor& colour) {
    p.setPen(colour);
    p.drawText(QRect(x, y, kClientWidth, kClientHeight), Qt::AlignLeft | Qt::AlignTop, text);
}

} // namespace

QString websiteUrl() {
    return QStringLiteral("https://github.com/cantelo/cantelo-edit");
}

QUrl userGuideUrl() {
    const QString relative = QStringLiteral("doc/cantelo-edit/guide/index.html");
    const QDir programDir(QCoreApplication::applicationDirPath());
    QStringList candidates = {
        programDir.filePath(QStringLiteral("../share/") + relative),
        // A build tree: the data folder beside the program's own folder.
        programDir.filePath(QStringLiteral("../data/guide/index.html")),
    };
    const QString installed = QStandardPaths::locate(QStandardPaths::GenericDataLocation, relative);
    if (!installed.isEmpty()) candidates << installed;
    for (const QString& path : candidates)
        if (QFileInfo(path).isFile())
            return QUrl::fromLocalFile(QFileInfo(path).canonicalFilePath());
    return QUrl(websiteUrl());
}

AboutBox::AboutBox(const LanguageTexts& texts, QWidget* parent) : QWidget(parent) {
    setFixedSize(kClientWidth, kClientHeight);
    applyLanguage(texts);
}

void AboutBox::applyLanguage(const LanguageTexts& texts) {
    setWindowTitle(textOrBuiltIn(texts, TextId::AboutTitle));
    m_version = textOrBuiltIn(texts, TextId::VersionCaption);
    m_credit = textOrBuiltIn(texts, TextId::AboutCreditLine);
    update();
}

void AboutBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    for (int y = 0; y < kClientHeight; ++y) {
        p.setPen(colourFromBgr(0x7F7C7C + static_cast<std::uint32_t>(y) * 0x010101));
        p.drawLine(0, y, width() - 1, y);
    }
    const QString name = QStringLiteral("Cantelo Edit");
    p.setFont(aboutFont(30, true));
    drawTextAt(p, 76, 8, name, Qt::black);
    drawTextAt(p, 74, 6, name, colourFromBgr(0xF04000));
    p.setFont(aboutFont(12, true));
    drawTextAt(p, 229, 54, m_version, Qt::black);
    drawTextAt(p, 228, 53, m_version, colourFromBgr(0x0000C0));
    p.setFont(aboutFont(8, false));
    drawTextAt(p, 68, 85, m_credit, Qt::black);
    drawTextAt(p, 68, 100, websiteUrl(), Qt::black);
}

} // namespace cantelo
