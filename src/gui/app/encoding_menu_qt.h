#pragma once

#include "core/lyrics/text_encoding.h"

#include <QObject>

#include <vector>

class QAction;
class QActionGroup;
class QMenu;

namespace cantelo {

// The "Codifica testo" menu: one checkable item per offered encoding, the song's own checked.
// Choosing one only asks for it; whoever owns the document re-reads the song and then shows the
// result with setCurrent. User-interface thread only.
class EncodingMenu : public QObject {
    Q_OBJECT
public:
    explicit EncodingMenu(QMenu* menu, QObject* parent = nullptr);

    void setCurrent(const TextEncoding& encoding);
    QMenu* menu() const { return m_menu; }

signals:
    void chosen(const cantelo::TextEncoding& encoding);

private:
    QMenu* m_menu;
    QActionGroup* m_group;
    std::vector<QAction*> m_items; // in the order of encodingChoices()
};

} // namespace cantelo
