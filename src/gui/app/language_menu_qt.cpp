#include "gui/app/language_menu_qt.h"

#include <QAction>
#include <QActionGroup>
#include <QIcon>
#include <QMenu>

namespace cantelo {

LanguageMenu::LanguageMenu(QMenu* menu, QObject* parent)
    : QObject(parent), m_menu(menu), m_group(new QActionGroup(this)) {
    m_group->setExclusive(true);
}

bool LanguageMenu::BuildLanguageMenu(const std::filesystem::path& path, int languageIndex) {
    m_path = path;
    m_languageIndex = languageIndex;
    std::optional<LanguageFile> file = LanguageFile::load(path);
    if (!file) {
        m_menu->setEnabled(false);
        m_texts.useBuiltIn();
        emit applied();
        return false;
    }
    m_languages = file->languages();
    m_menu->setEnabled(!m_languages.empty());
    for (const LanguageEntry& entry : m_languages) {
        QAction* item =
            m_menu->addAction(QIcon(QStringLiteral(":/icons/language.svg")), uiText(entry.code));
        item->setObjectName(QStringLiteral("mnuLingua%1").arg(entry.index));
        item->setData(entry.index);
        item->setCheckable(true);
        m_group->addAction(item);
        const int k = entry.index;
        connect(item, &QAction::triggered, this, [this, k] { selectLanguage(k); });
        m_items.push_back(item);
    }
    ApplyLanguage();
    return true;
}

void LanguageMenu::ApplyLanguage() {
    if (std::optional<LanguageFile> file = LanguageFile::load(m_path)) {
        // A stored index the file does not have (a file replaced by a shorter one) would leave
        // the interface in no language at all; the first one is the sound choice.
        if (!m_texts.apply(*file, m_languageIndex)) {
            m_languageIndex = 0;
            m_texts.apply(*file, 0);
        }
    }
    for (QAction* item : m_items) item->setChecked(item->data().toInt() == m_languageIndex);
    emit applied();
}

void LanguageMenu::selectLanguage(int k) {
    m_languageIndex = k;
    ApplyLanguage();
}

} // namespace cantelo
