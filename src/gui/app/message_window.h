#pragma once

#include "core/language/language.h"

#include <QDialog>
#include <QFontMetrics>
#include <QSize>
#include <QString>
#include <QStringList>

class QPushButton;

namespace cantelo {

// The buttons of a message. The first button always answers 1 and the second 2; closing the
// window any other way (title-bar button, Alt+F4, Escape) also answers 2.
enum class MessageButtons {
    Ok,             // "OK" alone
    OkCancel,       // "OK" and the cancel caption ("Annulla")
    FormatChoice,   // the save command's question: "Format 0" (1) and "Format 1" (2)
    ContinueCancel, // the syllable file's question: "Continua" (1) and the cancel caption
    YesNo,          // the patch question: "Si" (1) and "No" (2)
};

// How a message's two lines are laid out: the box is 446 x 115 pixels and widens to fit the
// longer line, up to `maxWidth`; a line still too long wraps (at spaces where it can) onto
// further rows of 16 pixels, each making the box taller. An empty line keeps its row. Nothing
// is cut.
struct MessageLayout {
    QSize client;
    QStringList rows1; // line 1's rows, then line 2's
    QStringList rows2;
};
MessageLayout layoutMessage(const QFontMetrics& metrics, const QString& line1, const QString& line2,
                            int maxWidth);

// The one message box of the editor: two lines on a pale yellow card with an error or
// information picture. GUI thread only; modal.
class TFrmMessage : public QDialog {
    Q_OBJECT
public:
    TFrmMessage(QWidget* parent, const QString& line1, const QString& line2, bool isInfo,
                MessageButtons buttons);

    QPushButton* firstButton() const { return m_first; }
    QPushButton* secondButton() const { return m_second; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QImage m_card;
    QPushButton* m_first;
    QPushButton* m_second;
};

// Shows a message and waits for its answer: 1 for the first button, 2 for the second or any other
// way of closing. `parent` (usually the main window) is the window it is centred on; it may be
// null. GUI thread only.
int ShowMessageWindow(QWidget* parent, const QString& line1, const QString& line2, bool isInfo,
                      bool withCancel);
int ShowMessageWindow(QWidget* parent, const QString& line1, const QString& line2, bool isInfo,
                      MessageButtons buttons);

// The window titles and button captions of the current interface language ("Informazioni",
// "Errore", "Annulla", "Continua", "Si", "No" until a language is applied). The language loader
// calls this after every change; GUI thread only.
void setMessageWindowTexts(const LanguageTexts& texts);

// The messages of the editor, each with its two language texts, look and buttons.
enum class Message {
    BadExtension,
    OpenError,
    SaveFormat,
    LongLines,
    UnknownSyllableFile,
    DivisionMismatch,
    SyncCompleted,
    ChannelNotInUse,
    NoInstrumentChosen,
    NoProgramChange,
    DeviceError,
};

// Shows one of the editor's messages in the texts of `texts`; the answer as ShowMessageWindow's.
int ShowMessage(QWidget* parent, const LanguageTexts& texts, Message message);

} // namespace cantelo
