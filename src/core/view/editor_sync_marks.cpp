#include "core/view/editor_sync_marks.h"

#include "core/document/editor_document.h"
#include "core/timing/time_map.h"
#include "core/view/editor_layout.h"

namespace cantelo {

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kGutterTickColour = kSyncGutterColour;

// The line holding lyric item `item` and the column of its first character, or line -1.
std::pair<int, int> placeOf(EditorDocument& doc, int item) {
    TItemKL& lines = doc.lyrics().lineList();
    TItemLyr& list = doc.lyrics().lyrics();
    int first = 0;
    for (int line = 0; line < lines.count(); ++line) {
        const int closing = static_cast<int>(lines.item(line)->value);
        if (item <= closing) {
            int column = 0;
            for (int i = first; i < item; ++i)
                column += static_cast<int>(lyricItem(list, i).text.size());
            return {line, column};
        }
        first = closing + 1;
    }
    return {-1, 0};
}

} // namespace

std::vector<EditorMark> syncMarks(EditorDocument& doc, const TextWidth& width, const SyncView& view,
                                  int visibleRows) {
    std::vector<EditorMark> marks;
    const int firstVisible = doc.editor().firstVisibleLine();
    const auto rowTop = [&](int line) { return (line - firstVisible) * kEditorRowHeight; };
    const auto shows = [&](int line) {
        return line >= firstVisible && line - firstVisible < visibleRows;
    };
    if (view.gutterTick >= 0 && view.row >= 0 && view.row < visibleRows)
        marks.push_back({kEditorGutterX, view.row * kEditorRowHeight,
                         doc.song().timeMap().positionText(view.gutterTick), kGutterTickColour,
                         kWhite});
    TItemLyr& list = doc.lyrics().lyrics();
    if (view.highlightItem < 0 || view.highlightItem >= list.count()) return marks;
    const LyrItem& item = lyricItem(list, view.highlightItem);
    const auto [line, column] = placeOf(doc, view.highlightItem);
    if (line < 0 || !shows(line)) return marks;
    if (item.lineBreak) {
        marks.push_back({kEditorGutterX, rowTop(line),
                         doc.song().timeMap().positionText(static_cast<std::int32_t>(item.tick)),
                         kWhite, kSyncBreakColour});
    } else {
        const std::string* text = doc.lyrics().lineList().get(line);
        const std::string before = text ? text->substr(0, static_cast<std::size_t>(column)) : "";
        marks.push_back(
            {kEditorTextX + width(before), rowTop(line), item.text, kWhite, kSyncHighlightColour});
    }
    return marks;
}

} // namespace cantelo
