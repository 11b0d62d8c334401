#pragma once

#include "core/view/colour_picker.h"

#include <QImage>
#include <QWidget>

#include <filesystem>
#include <string>
#include <vector>

class QFrame;
class QListWidget;
class QRadioButton;

namespace cantelo {

// The texts the dialog shows, in the interface language.
struct BackgroundDialogTexts {
    QString noBackground;
    QString textColour;
    QString syllableColour;
    QString listHint;
    QString applyHint;
    QString restoreHint;
    std::string previewLine1; // Windows-1252, like song text
    std::string previewLine2;
};

// "Selezione Sfondo e Colore Testo": the background pictures on the left, a preview of the
// monitor's text on the chosen picture, and the colour bars of the colour being edited. Every
// change previews on the monitor at once (previewed); a picture takes effect by a double click
// (backgroundChosen); only colours applied by a double click on the left swatch survive the
// dialog (closing() gives them). User-interface thread only.
class BackgroundDialog : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize kClientSize{532, 214};

    // `folders` are where pictures are looked for; `current` the monitor's background name
    // (empty for none).
    BackgroundDialog(std::vector<std::filesystem::path> folders, const std::string& current,
                     std::uint32_t textColour, std::uint32_t syllableColour,
                     const BackgroundDialogTexts& texts, QWidget* parent = nullptr);
    ~BackgroundDialog() override;

    ColourPicker& picker() { return m_picker; }
    QListWidget* list() const { return m_list; }
    // The name chosen in the list: empty for "no background".
    std::string selectedName() const;

signals:
    void previewed(std::uint32_t textColour, std::uint32_t syllableColour);
    void backgroundChosen(const std::string& name);
    void closing(std::uint32_t textColour, std::uint32_t syllableColour);

private:
    class ColourPanel;
    class Preview;

    void colourChanged();
    void loadPreviewPicture();

    std::vector<std::filesystem::path> m_folders;
    ColourPicker m_picker;
    BackgroundDialogTexts m_texts;
    QListWidget* m_list = nullptr;
    Preview* m_preview = nullptr;
    ColourPanel* m_colours = nullptr;
};

} // namespace cantelo
