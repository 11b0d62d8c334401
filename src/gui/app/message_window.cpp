#include "gui/app/message_window.h"

#include "gui/app/language_menu_qt.h"
#include "gui/views/cantelo_style_qt.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <qdrawutil.h>

#include <algorithm>
#include <array>
#include <optional>

namespace cantelo {

namespace {

constexpr int kClientWidth = 446;
constexpr int kClientHeight = 115;
constexpr int kTextLeft = 65;
constexpr int kTextRightMargin = 11; // the rule ends there too
constexpr int kLine1Top = 20;
constexpr int kRowHeight = 16;
constexpr int kRuleY = 72;
constexpr int kButtonTop = 80;
// The widest the box grows before a line wraps: wider boxes are hard to read at a glance.
constexpr int kMaxClientWidth = 720;

const QColor kCardColour = colourFromBgr(0x80DBE1);
const QColor kRuleShadow = colourFromBgr(0x59999D);
const QColor kRuleLight = colourFromBgr(0x91F8FF);

struct Captions {
    QString info, error, cancel, proceed, yes, no;
};

Captions captionsFrom(const LanguageTexts& texts) {
    return {uiText(texts[TextId::InfoTitle]),     uiText(texts[TextId::ErrorTitle]),
            uiText(texts[TextId::CancelCaption]), uiText(texts[TextId::ContinueCaption]),
            uiText(texts[TextId::YesCaption]),    uiText(texts[TextId::NoCaption])};
}

Captions& captions() {
    static Captions current = captionsFrom(LanguageTexts{});
    return current;
}

QFont messageFont(int pointSize) {
    QFont font;
    // The family the layout was measured with, then the metric-compatible ones Linux ships.
    font.setFamilies({"MS Sans Serif", "Liberation Sans", "Arial", "DejaVu Sans"});
    font.setPointSize(pointSize);
    return font;
}

// A tall red exclamation mark, 14 x 44.
void paintErrorSign(QPainter& p, QPoint at) {
    p.save();
    p.translate(at);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x70, 0x00, 0x00), 1));
    p.setBrush(QColor(0xD0, 0x10, 0x10));
    QPainterPath bar;
    bar.moveTo(1, 3);
    bar.quadTo(7, -2, 13, 3);
    bar.lineTo(9.5, 30);
    bar.lineTo(4.5, 30);
    bar.closeSubpath();
    p.drawPath(bar);
    p.drawEllipse(QRectF(2.5, 34, 9, 9));
    p.restore();
}

// A blue disc with a white "i", 50 x 50, drawn from shapes so it never depends on a font.
void paintInfoSign(QPainter& p, QPoint at) {
    p.save();
    p.translate(at);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient shade(QPointF(18, 16), 34);
    shade.setColorAt(0, QColor(0x6A, 0x9C, 0xF0));
    shade.setColorAt(1, QColor(0x10, 0x3C, 0xA8));
    p.setPen(QPen(QColor(0x0A, 0x28, 0x70), 1.5));
    p.setBrush(shade);
    p.drawEllipse(QRectF(2, 2, 46, 46));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(21.5, 9, 7, 7));
    p.drawRoundedRect(QRectF(21.5, 20, 7, 20), 2, 2);
    p.drawRect(QRectF(18, 20, 5, 3));
    p.drawRect(QRectF(18, 37, 14, 3));
    p.restore();
}

// `line` cut into rows no wider than `width`: at spaces where it can, inside a word too long for
// a row of its own.
QStringList wrapped(const QFontMetrics& metrics, const QString& line, int width) {
    if (metrics.horizontalAdvance(line) <= width) return {line};
    QStringList rows;
    QString row;
    for (const QString& word : line.split(QLatin1Char(' '))) {
        const QString joined = row.isEmpty() ? word : row + QLatin1Char(' ') + word;
        if (metrics.horizontalAdvance(joined) <= width) {
            row = joined;
            continue;
        }
        if (!row.isEmpty()) rows << row;
        row = word;
        while (row.size() > 1 && metrics.horizontalAdvance(row) > width) {
            qsizetype fit = 1;
            while (fit < row.size() && metrics.horizontalAdvance(row.left(fit + 1)) <= width) ++fit;
            rows << row.left(fit);
            row = row.mid(fit);
        }
    }
    rows << row;
    return rows;
}

} // namespace

MessageLayout layoutMessage(const QFontMetrics& metrics, const QString& line1, const QString& line2,
                            int maxWidth) {
    const int margins = kTextLeft + kTextRightMargin;
    const int longest =
        std::max(metrics.horizontalAdvance(line1), metrics.horizontalAdvance(line2));
    MessageLayout layout;
    const int width = std::clamp(longest + margins, kClientWidth, std::max(kClientWidth, maxWidth));
    layout.rows1 = wrapped(metrics, line1, width - margins);
    layout.rows2 = wrapped(metrics, line2, width - margins);
    const auto extraRows = static_cast<int>(layout.rows1.size() + layout.rows2.size()) - 2;
    layout.client = QSize(width, kClientHeight + extraRows * kRowHeight);
    return layout;
}

TFrmMessage::TFrmMessage(QWidget* parent, const QString& line1, const QString& line2, bool isInfo,
                         MessageButtons buttons)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_first(new QPushButton(this)), m_second(new QPushButton(this)) {
    const Captions& c = captions();
    setWindowTitle(isInfo ? c.info : c.error);
    setFont(messageFont(8));

    // Every message reads whole: the box widens for a long line and wraps what the screen
    // cannot hold, moving the rule and the buttons down by the rows it adds.
    const QFont textFont = messageFont(9);
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const int screenWidth = screen ? screen->availableGeometry().width() - 40 : kMaxClientWidth;
    const MessageLayout layout =
        layoutMessage(QFontMetrics(textFont), line1, line2, std::min(kMaxClientWidth, screenWidth));
    const QSize client = layout.client;
    const int below = client.height() - kClientHeight;
    setFixedSize(client);

    m_first->setGeometry(client.width() - 86, kButtonTop + below, 75, 25);
    m_second->setGeometry(client.width() - 166, kButtonTop + below, 75, 25);
    m_first->setDefault(true);
    m_first->setText(QStringLiteral("OK"));
    m_second->setText(c.cancel);
    switch (buttons) {
    case MessageButtons::Ok:
    case MessageButtons::OkCancel:
        break;
    case MessageButtons::FormatChoice:
        m_first->setText(QStringLiteral("Format 0"));
        m_second->setText(QStringLiteral("Format 1"));
        break;
    case MessageButtons::ContinueCancel:
        m_first->setText(c.proceed);
        break;
    case MessageButtons::YesNo:
        m_first->setText(c.yes);
        m_second->setText(c.no);
        break;
    }
    m_second->setVisible(buttons != MessageButtons::Ok);
    connect(m_first, &QPushButton::clicked, this, [this] { done(1); });
    connect(m_second, &QPushButton::clicked, this, [this] { done(2); });

    m_card = QImage(client, QImage::Format_RGB32);
    m_card.fill(kCardColour);
    QPainter p(&m_card);
    const int ruleRight = client.width() - kTextRightMargin;
    p.setPen(kRuleShadow);
    p.drawLine(64, kRuleY + below, ruleRight, kRuleY + below);
    p.setPen(kRuleLight);
    p.drawLine(64, kRuleY + below + 1, ruleRight, kRuleY + below + 1);
    if (isInfo)
        paintInfoSign(p, QPoint(6, 13));
    else
        paintErrorSign(p, QPoint(24, 16));
    p.setFont(textFont);
    p.setPen(Qt::black);
    int top = kLine1Top;
    for (const QString& row : layout.rows1 + layout.rows2) {
        p.drawText(QRect(kTextLeft, top, client.width() - kTextLeft, kRowHeight),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, row);
        top += kRowHeight;
    }
}

void TFrmMessage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, m_card);
    // The sunken client edge of the original box.
    qDrawShadePanel(&p, rect(), palette(), true, 2);
}

void TFrmMessage::showEvent(QShowEvent* event) {
    if (QWidget* owner = parentWidget()) {
        const QRect area = owner->window()->frameGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    QDialog::showEvent(event);
}

int ShowMessageWindow(QWidget* parent, const QString& line1, const QString& line2, bool isInfo,
                      bool withCancel) {
    return ShowMessageWindow(parent, line1, line2, isInfo,
                             withCancel ? MessageButtons::OkCancel : MessageButtons::Ok);
}

int ShowMessageWindow(QWidget* parent, const QString& line1, const QString& line2, bool isInfo,
                      MessageButtons buttons) {
    TFrmMessage window(parent, line1, line2, isInfo, buttons);
    // Rejection (Escape, the close button, Alt+F4) and anything but the first button answer 2.
    return window.exec() == 1 ? 1 : 2;
}

void setMessageWindowTexts(const LanguageTexts& texts) {
    captions() = captionsFrom(texts);
}

namespace {

struct MessageEntry {
    Message message;
    std::optional<TextId> line1; // nothing: the first row stays blank
    TextId line2;
    bool isInfo;
    MessageButtons buttons;
};

constexpr std::array<MessageEntry, 11> kMessages = {{
    {Message::BadExtension, TextId::BadExtensionLine1, TextId::BadExtensionLine2, false,
     MessageButtons::Ok},
    {Message::OpenError, TextId::OpenErrorLine1, TextId::OpenErrorLine2, false, MessageButtons::Ok},
    {Message::SaveFormat, std::nullopt, TextId::SaveFormatQuestion, true,
     MessageButtons::FormatChoice},
    {Message::LongLines, TextId::LongLinesLine1, TextId::LongLinesLine2, false, MessageButtons::Ok},
    {Message::UnknownSyllableFile, TextId::UnknownSyllableFileLine1,
     TextId::UnknownSyllableFileLine2, false, MessageButtons::Ok},
    {Message::DivisionMismatch, TextId::DivisionMismatchLine1, TextId::DivisionMismatchLine2, true,
     MessageButtons::ContinueCancel},
    {Message::SyncCompleted, std::nullopt, TextId::SyncCompleted, true, MessageButtons::Ok},
    {Message::ChannelNotInUse, std::nullopt, TextId::ChannelNotInUse, false, MessageButtons::Ok},
    {Message::NoInstrumentChosen, std::nullopt, TextId::NoInstrumentChosen, false,
     MessageButtons::Ok},
    {Message::NoProgramChange, TextId::NoProgramChangeLine1, TextId::NoProgramChangeLine2, false,
     MessageButtons::YesNo},
    {Message::DeviceError, TextId::DeviceErrorLine1, TextId::DeviceErrorLine2, false,
     MessageButtons::Ok},
}};

constexpr bool inMessageOrder() {
    for (std::size_t i = 0; i < kMessages.size(); ++i)
        if (static_cast<std::size_t>(kMessages[i].message) != i) return false;
    return true;
}
static_assert(inMessageOrder(), "the table is indexed by Message");

} // namespace

int ShowMessage(QWidget* parent, const LanguageTexts& texts, Message message) {
    const MessageEntry& e = kMessages[static_cast<std::size_t>(message)];
    const QString line1 = e.line1 ? uiText(texts[*e.line1]) : QString();
    return ShowMessageWindow(parent, line1, uiText(texts[e.line2]), e.isInfo, e.buttons);
}

} // namespace cantelo
