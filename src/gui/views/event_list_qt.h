#pragma once

#include "core/tools/event_lists.h"

#include <QWidget>

#include <vector>

class QScrollBar;

namespace cantelo {

// The drawn list of the "Tempo" and "Misure" windows: white 16-pixel rows under black lines, the
// event's measure.beat.tick left of the dividing line and its value right of it, seven rows
// shown with a narrow scroll bar beside them. A left click highlights the row under the mouse
// (its position blue, its value green) until the rows are replaced. User-interface thread only.
class EventListView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kScrollBarWidth = 9;

    explicit EventListView(QWidget* parent = nullptr);

    // Replaces the rows; the scroll position is kept when the list still reaches it.
    void setRows(std::vector<EventRow> rows);
    const std::vector<EventRow>& rows() const { return m_rows; }
    QScrollBar* scrollBar() const { return m_scroll; }
    // The highlighted row's index, or -1.
    int selectedRow() const { return m_selected; }
    // Where the dividing line stands: at least the usual 66 pixels, more when the font's
    // position text needs it.
    int valueColumn() const { return m_valueColumn; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    int panelWidth() const;

    std::vector<EventRow> m_rows;
    QScrollBar* m_scroll = nullptr;
    int m_selected = -1;
    int m_valueColumn = kEventValueColumn;
};

} // namespace cantelo
