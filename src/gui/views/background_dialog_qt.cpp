#include "gui/views/background_dialog_qt.h"

#include "gui/views/cantelo_style_qt.h"
#include "gui/views/monitor_view_qt.h"
#include "gui/views/ui_text_qt.h"

#include <QFontMetrics>
#include <QFrame>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>

namespace cantelo {

namespace {

constexpr QRect kListRect{10, 10, 200, 194};
constexpr QRect kPreviewRect{220, 10, 300, 115};
constexpr QRect kColourRect{220, 138, 300, 80};
constexpr int kPreviewFontSize = 13;
constexpr int kPreviewOutline = 2;
constexpr int kSungCharacters = 11;
// Up to the bars: the captions of both languages fit in the form's font.
constexpr int kRadioWidth = 92;

// A swatch that reports double clicks.
class Swatch : public QFrame {
public:
    Swatch(QWidget* parent, QRect place, std::function<void()> onDoubleClick)
        : QFrame(parent), m_onDoubleClick(std::move(onDoubleClick)) {
        setGeometry(place);
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setAutoFillBackground(true);
    }
    void setColour(std::uint32_t bgr) {
        QPalette p = palette();
        p.setColor(QPalette::Window, colourFromBgr(bgr));
        setPalette(p);
    }

protected:
    void mouseDoubleClickEvent(QMouseEvent*) override { m_onDoubleClick(); }

private:
    std::function<void()> m_onDoubleClick;
};

} // namespace

// The preview: the picture with two sample lines, the first sung up to its third syllable.
class BackgroundDialog::Preview : public QWidget {
public:
    Preview(BackgroundDialog& dialog, QWidget* parent) : QWidget(parent), m_dialog(dialog) {
        setGeometry(kPreviewRect);
    }
    QImage picture;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::black);
        if (!picture.isNull()) p.drawImage(rect(), picture);
        const ColourPicker& c = m_dialog.m_picker;
        const QFont font = MonitorView::monitorFont(kPreviewFontSize);
        p.setFont(font);
        const QFontMetrics metrics(font);
        const auto line = [&](const std::string& bytes, int y, std::size_t sung) {
            const QString text = uiText(bytes);
            const int x = width() / 2 - metrics.horizontalAdvance(text) / 2;
            const int baseline = y + metrics.ascent();
            p.setPen(Qt::black);
            for (const QPoint d : {QPoint(-kPreviewOutline, 0), QPoint(kPreviewOutline, 0),
                                   QPoint(0, -kPreviewOutline), QPoint(0, kPreviewOutline)})
                p.drawText(x + d.x(), baseline + d.y(), text);
            p.setPen(colourFromBgr(c.liveText()));
            p.drawText(x, baseline, text);
            if (sung == 0) return;
            p.setPen(colourFromBgr(c.liveSyllable()));
            p.drawText(x, baseline, text.left(qsizetype(sung)));
        };
        line(m_dialog.m_texts.previewLine1, 30, kSungCharacters);
        line(m_dialog.m_texts.previewLine2, 65, 0);
    }

private:
    BackgroundDialog& m_dialog;
};

// The colour panel: the radio buttons, the two swatches and the three bars with their markers.
class BackgroundDialog::ColourPanel : public QWidget {
public:
    ColourPanel(BackgroundDialog& dialog, QWidget* parent) : QWidget(parent), m_dialog(dialog) {
        setGeometry(kColourRect);
        const BackgroundDialogTexts& t = dialog.m_texts;
        m_text = new QRadioButton(t.textColour, this);
        m_text->setObjectName(QStringLiteral("rbTextColour"));
        m_text->setGeometry(6, 8, kRadioWidth, 16);
        m_syllable = new QRadioButton(t.syllableColour, this);
        m_syllable->setObjectName(QStringLiteral("rbSyllableColour"));
        m_syllable->setGeometry(6, 25, kRadioWidth, 16);
        m_syllable->setChecked(true);
        ColourPicker& picker = dialog.m_picker;
        connect(m_text, &QRadioButton::clicked, this, [this, &picker] {
            picker.chooseTarget(ColourPicker::Target::Text);
            changed();
        });
        connect(m_syllable, &QRadioButton::clicked, this, [this, &picker] {
            picker.chooseTarget(ColourPicker::Target::Syllable);
            changed();
        });
        m_apply = new Swatch(this, {6, 50, 40, 16}, [this, &picker] {
            picker.applyColour();
            changed();
        });
        m_apply->setObjectName(QStringLiteral("applySwatch"));
        m_apply->setToolTip(t.applyHint);
        m_restore = new Swatch(this, {48, 50, 40, 16}, [this, &picker] {
            picker.restoreColour();
            changed();
        });
        m_restore->setObjectName(QStringLiteral("restoreSwatch"));
        m_restore->setToolTip(t.restoreHint);
        showSwatches();
    }
    void showSwatches() {
        m_apply->setColour(m_dialog.m_picker.applySwatch());
        m_restore->setColour(m_dialog.m_picker.restoreSwatch());
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::Button));
        const ColourPicker& c = m_dialog.m_picker;
        for (int bar = 0; bar < 3; ++bar) {
            const int y = ColourPicker::kBarBaseline[static_cast<std::size_t>(bar)];
            for (int i = 0; i < ColourPicker::kBarColumns; ++i) {
                p.setPen(colourFromBgr(c.barColour(bar, i)));
                p.drawLine(ColourPicker::kBarLeft + i, y - 9, ColourPicker::kBarLeft + i, y - 2);
            }
            const int x = c.markerX(bar);
            p.setPen(Qt::black);
            p.setBrush(Qt::black);
            const QPoint marker[3] = {{x, y}, {x - 5, y + 5}, {x + 5, y + 5}};
            p.drawPolygon(marker, 3);
        }
    }
    void mousePressEvent(QMouseEvent* event) override {
        const QPoint at = event->position().toPoint();
        if (event->button() == Qt::LeftButton && m_dialog.m_picker.press(at.x(), at.y())) changed();
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if ((event->buttons() & Qt::LeftButton) &&
            m_dialog.m_picker.dragTo(event->position().toPoint().x()))
            changed();
    }
    void mouseReleaseEvent(QMouseEvent*) override { m_dialog.m_picker.release(); }

private:
    void changed() {
        showSwatches();
        update();
        m_dialog.colourChanged();
    }

    BackgroundDialog& m_dialog;
    QRadioButton* m_text = nullptr;
    QRadioButton* m_syllable = nullptr;
    Swatch* m_apply = nullptr;
    Swatch* m_restore = nullptr;
};

BackgroundDialog::BackgroundDialog(std::vector<std::filesystem::path> folders,
                                   const std::string& current, std::uint32_t textColour,
                                   std::uint32_t syllableColour, const BackgroundDialogTexts& texts,
                                   QWidget* parent)
    : QWidget(parent), m_folders(std::move(folders)), m_picker(textColour, syllableColour),
      m_texts(texts) {
    setObjectName(QStringLiteral("BackgroundDialog"));
    setFixedSize(kClientSize);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("lbBackgrounds"));
    m_list->setGeometry(kListRect);
    m_list->setToolTip(texts.listHint);
    int selected = -1;
    for (const std::string& name : backgroundNames(m_folders)) {
        if (name == current) selected = m_list->count();
        m_list->addItem(QString::fromStdString(name));
    }
    m_list->addItem(texts.noBackground);
    m_list->setCurrentRow(selected < 0 ? m_list->count() - 1 : selected);
    m_preview = new Preview(*this, this);
    m_colours = new ColourPanel(*this, this);
    loadPreviewPicture();
    connect(m_list, &QListWidget::currentRowChanged, this, [this] { loadPreviewPicture(); });
    connect(m_list, &QListWidget::itemDoubleClicked, this,
            [this] { emit backgroundChosen(selectedName()); });
}

BackgroundDialog::~BackgroundDialog() {
    emit closing(m_picker.savedText(), m_picker.savedSyllable());
}

std::string BackgroundDialog::selectedName() const {
    const int row = m_list->currentRow();
    if (row < 0 || row == m_list->count() - 1) return {};
    return m_list->item(row)->text().toStdString();
}

void BackgroundDialog::loadPreviewPicture() {
    m_preview->picture = QImage();
    const std::string name = selectedName();
    if (!name.empty())
        for (const std::filesystem::path& folder : m_folders)
            if (m_preview->picture.load(QString::fromStdString((folder / name).string()))) break;
    m_preview->update();
}

void BackgroundDialog::colourChanged() {
    m_preview->update();
    emit previewed(m_picker.liveText(), m_picker.liveSyllable());
}

} // namespace cantelo
