#include "gui/app/encoding_menu_qt.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

namespace cantelo {

EncodingMenu::EncodingMenu(QMenu* menu, QObject* parent)
    : QObject(parent), m_menu(menu), m_group(new QActionGroup(menu)) {
    for (const EncodingChoice& choice : encodingChoices()) {
        // Names of character sets are the same in every language.
        QAction* item = m_menu->addAction(
            QString::fromUtf8(choice.label.data(), static_cast<qsizetype>(choice.label.size())));
        item->setObjectName(
            QStringLiteral("mnuEncoding") +
            QString::fromLatin1(choice.name.data(), static_cast<qsizetype>(choice.name.size())));
        item->setCheckable(true);
        m_group->addAction(item);
        const TextEncoding encoding = *TextEncoding::named(choice.name);
        connect(item, &QAction::triggered, this, [this, encoding] { emit chosen(encoding); });
        m_items.push_back(item);
    }
    setCurrent(TextEncoding());
}

void EncodingMenu::setCurrent(const TextEncoding& encoding) {
    const auto choices = encodingChoices();
    for (std::size_t i = 0; i < m_items.size(); ++i)
        m_items[i]->setChecked(&choices[i] == &encoding.choice());
}

} // namespace cantelo
