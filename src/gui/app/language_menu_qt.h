#pragma once

#include "core/language/extra_texts.h"
#include "core/language/language.h"
#include "gui/views/ui_text_qt.h"

#include <QObject>
#include <QString>

#include <filesystem>
#include <string_view>
#include <vector>

class QAction;
class QActionGroup;
class QMenu;

namespace cantelo {

// The "Lingua" menu and the texts it chooses. It owns the current LanguageTexts; whoever shows
// a text reads it from here and re-reads it on applied(). User-interface thread only.
class LanguageMenu : public QObject {
    Q_OBJECT
public:
    explicit LanguageMenu(QMenu* menu, QObject* parent = nullptr);

    // Reads the language file at `path` and fills the menu with one item per language (its
    // three-letter code), then applies `languageIndex`. Without a readable file, or with one
    // whose header is wrong, the menu is disabled and the built-in Italian texts stay. Returns
    // whether the file was read.
    bool BuildLanguageMenu(const std::filesystem::path& path, int languageIndex);
    // Reads the file again and takes the texts of the current language; when the file cannot be
    // read any more the current texts stay. Emits applied() either way, so every caption is set
    // from the current texts.
    void ApplyLanguage();
    // The click of a language item: language k becomes current and is applied.
    void selectLanguage(int k);

    int languageIndex() const { return m_languageIndex; }
    bool fileLoaded() const { return !m_languages.empty(); }
    const std::vector<LanguageEntry>& languages() const { return m_languages; }
    const LanguageTexts& texts() const { return m_texts; }
    QString text(TextId id) const { return uiText(m_texts[id]); }
    QString text(ExtraTextId id) const { return uiText(m_texts[id]); }
    QMenu* menu() const { return m_menu; }

signals:
    void applied();

private:
    QMenu* m_menu;
    QActionGroup* m_group;
    std::filesystem::path m_path;
    std::vector<LanguageEntry> m_languages;
    std::vector<QAction*> m_items;
    LanguageTexts m_texts;
    int m_languageIndex = 0;
};

} // namespace cantelo
