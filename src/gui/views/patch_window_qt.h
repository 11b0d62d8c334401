#pragma once

#include "core/document/editor_document.h"
#include "core/files/result.h"
#include "core/tools/patch_tool.h"

#include <QSpinBox>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QPushButton;

namespace cantelo {

// A bank field with its spinner: 0..127, or empty for no bank select (the spinner then stands
// at -1). An edit that would leave a text the bank rule refuses (a fourth digit, a value above
// 127, anything but digits) is dropped.
class BankBox : public QSpinBox {
    Q_OBJECT
public:
    explicit BankBox(QWidget* parent = nullptr);

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    int valueFromText(const QString& text) const override;
    QString textFromValue(int value) const override;
};

// What the window asks of the rest of the editor.
struct PatchHooks {
    std::function<std::int32_t()> tick;                 // the player's position
    std::function<void(int channel, int program)> send; // a program chosen, heard at once
    std::function<void(int channel)> channelChosen;     // the channel list's choice, to remember
    std::function<void(PatchRefusal)> refuse;           // shows why "Applica" did nothing
    std::function<bool()> confirmInsert;                // "Si" to a program change made anew
    std::function<void(const Result&)> report;          // an edit's failure, shown
};

// The captions of the language in use.
struct PatchTexts {
    QString channel;
    QString patch;
    QString msb;
    QString lsb;
    QString cancel;
    QString apply;
};

// "Strumenti e banchi di suoni": the program and bank selects of one channel at the song
// position, on a grey gradient with drawn captions. "Annulla" shows the song's values again,
// "Applica" writes the choice into the song as one undo step. User-interface thread only.
class PatchWindow : public QWidget {
    Q_OBJECT
public:
    PatchWindow(EditorDocument& doc, PatchHooks hooks, QWidget* parent = nullptr);

    // Selects the channel (0..15) and shows what is in force on it.
    void selectChannel(int channel);
    // Shows what is in force on the selected channel at the position, discarding any choice.
    void reload();
    // The instrument names of the song open now.
    void fillInstruments();
    void setTexts(const PatchTexts& texts);

    QComboBox* channelList() const { return m_channel; }
    QComboBox* instrumentList() const { return m_instrument; }
    BankBox* msbBox() const { return m_msb; }
    BankBox* lsbBox() const { return m_lsb; }
    QPushButton* cancelButton() const { return m_cancel; }
    QPushButton* applyButton() const { return m_apply; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void apply();

    EditorDocument& m_doc;
    PatchHooks m_hooks;
    PatchTexts m_texts;
    std::vector<std::string> m_items;
    QComboBox* m_channel;
    QComboBox* m_instrument;
    BankBox* m_msb;
    BankBox* m_lsb;
    QPushButton* m_cancel;
    QPushButton* m_apply;
};

} // namespace cantelo
