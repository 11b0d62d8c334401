#include "gui/views/patch_window_qt.h"

#include "gui/views/cantelo_style_qt.h"
#include "gui/views/ui_text_qt.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QPainter>
#include <QPushButton>

#include <algorithm>
#include <utility>

namespace cantelo {

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 97;
constexpr std::uint32_t kGradientTop = 0x7F7C7C; // one step lighter per line
constexpr std::uint32_t kGradientStep = 0x010101;
constexpr int kCaptionTop = 8;
constexpr int kChannelX = 12;
constexpr int kPatchX = 60;
constexpr int kMsbX = 208;
constexpr int kLsbX = 262;
constexpr int kControlTop = 24;
constexpr int kControlHeight = 22;
constexpr int kButtonTop = 62;
constexpr QSize kButton{75, 25};
constexpr int kVisibleInstruments = 16;

} // namespace

BankBox::BankBox(QWidget* parent) : QSpinBox(parent) {
    setRange(-1, 127);
    setValue(-1);
    setAlignment(Qt::AlignRight);
}

QValidator::State BankBox::validate(QString& input, int&) const {
    return bankTextAllowed(input.toStdString()) ? QValidator::Acceptable : QValidator::Invalid;
}

int BankBox::valueFromText(const QString& text) const {
    return bankFieldValue(text.toStdString());
}

QString BankBox::textFromValue(int value) const {
    return QString::fromStdString(bankFieldText(value));
}

PatchWindow::PatchWindow(EditorDocument& doc, PatchHooks hooks, QWidget* parent)
    : QWidget(parent), m_doc(doc), m_hooks(std::move(hooks)), m_channel(new QComboBox(this)),
      m_instrument(new QComboBox(this)), m_msb(new BankBox(this)), m_lsb(new BankBox(this)),
      m_cancel(new QPushButton(this)), m_apply(new QPushButton(this)) {
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
    for (int c = 1; c <= kChannels; ++c) m_channel->addItem(QString::number(c));
    m_channel->setMaxVisibleItems(kChannels);
    // A list of 129 names opens as a scrolled drop-down, not as a column over the whole screen.
    m_instrument->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    m_instrument->setMaxVisibleItems(kVisibleInstruments);
    m_channel->setGeometry(kChannelX, kControlTop, kPatchX - kChannelX - 4, kControlHeight);
    m_instrument->setGeometry(kPatchX, kControlTop, kMsbX - kPatchX - 4, kControlHeight);
    m_msb->setGeometry(kMsbX, kControlTop, kLsbX - kMsbX - 4, kControlHeight);
    m_lsb->setGeometry(kLsbX, kControlTop, kWidth - kLsbX - 8, kControlHeight);
    m_apply->setGeometry(kWidth - 8 - kButton.width(), kButtonTop, kButton.width(),
                         kButton.height());
    m_cancel->setGeometry(m_apply->x() - 6 - kButton.width(), kButtonTop, kButton.width(),
                          kButton.height());
    setFixedSize(sizeHint());

    connect(m_channel, &QComboBox::activated, this, [this](int channel) {
        if (m_hooks.channelChosen) m_hooks.channelChosen(channel);
        reload();
    });
    connect(m_cancel, &QPushButton::clicked, this, &PatchWindow::reload);
    connect(m_apply, &QPushButton::clicked, this, &PatchWindow::apply);
    fillInstruments();
}

QSize PatchWindow::sizeHint() const {
    return {kWidth, kHeight};
}

void PatchWindow::selectChannel(int channel) {
    m_channel->setCurrentIndex(std::clamp(channel, 0, kChannels - 1));
    reload();
}

void PatchWindow::fillInstruments() {
    std::vector<std::string> items = instrumentItems(m_doc.song());
    if (items == m_items) return;
    m_items = std::move(items);
    const int chosen = m_instrument->currentIndex();
    m_instrument->clear();
    int widest = 0;
    const QFontMetrics metrics(m_instrument->font());
    for (const std::string& item : m_items) {
        const QString text = uiText(item);
        widest = std::max(widest, metrics.horizontalAdvance(text));
        m_instrument->addItem(text);
    }
    // The list opens wide enough for the longest name; the closed box keeps its place.
    m_instrument->view()->setMinimumWidth(widest + 40);
    m_instrument->setCurrentIndex(std::max(chosen, 0));
}

void PatchWindow::reload() {
    const PatchView view = loadPatch(m_doc.song(), m_channel->currentIndex(), m_hooks.tick());
    m_instrument->setCurrentIndex(view.instrument);
    m_msb->setValue(view.msb);
    m_lsb->setValue(view.lsb);
}

void PatchWindow::apply() {
    const int channel = m_channel->currentIndex();
    const PatchOutcome out = applyPatch(
        m_doc, channel, m_instrument->currentIndex(), bankFieldValue(m_msb->text().toStdString()),
        bankFieldValue(m_lsb->text().toStdString()), m_hooks.tick(), m_hooks.confirmInsert);
    if (out.refusal != PatchRefusal::None) {
        m_hooks.refuse(out.refusal);
        (out.refusal == PatchRefusal::ChannelNotInUse ? m_channel : m_instrument)->setFocus();
        return;
    }
    if (out.sendProgram >= 0) m_hooks.send(channel, out.sendProgram);
    if (!out.result && out.result.reason != FailureReason::NothingToDo) m_hooks.report(out.result);
    // "No" to the question, or nothing to change, publishes nothing: the song's values are
    // shown again all the same.
    reload();
}

void PatchWindow::setTexts(const PatchTexts& texts) {
    m_texts = texts;
    m_cancel->setText(texts.cancel);
    m_apply->setText(texts.apply);
    update();
}

void PatchWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (int y = 0; y < kHeight; ++y) {
        painter.setPen(colourFromBgr(kGradientTop + static_cast<std::uint32_t>(y) * kGradientStep));
        painter.drawLine(0, y, kWidth, y);
    }
    painter.setPen(Qt::black);
    const int baseline = kCaptionTop + painter.fontMetrics().ascent();
    painter.drawText(kChannelX, baseline, m_texts.channel);
    painter.drawText(kPatchX, baseline, m_texts.patch);
    painter.drawText(kMsbX, baseline, m_texts.msb);
    painter.drawText(kLsbX, baseline, m_texts.lsb);
}

} // namespace cantelo
