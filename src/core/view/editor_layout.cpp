#include "core/view/editor_layout.h"

#include "core/document/editor_document.h"
#include "core/timing/time_map.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace cantelo {

namespace {

constexpr int kCursorCellTop = 1;
constexpr int kCursorCellHeight = kEditorRowHeight - 2;

// Index of line `line`'s first item in the lyric list.
int firstItemOf(TItemKL& lines, int line) {
    const KLItem* before = line == 0 ? nullptr : lines.item(line - 1);
    return before ? static_cast<int>(before->value) + 1 : 0;
}

std::string gutterText(EditorDocument& doc, int line) {
    if (!doc.songDocument().saveEnabled) {
        // No song: the rows are simply numbered.
        char numbered[24];
        std::snprintf(numbered, sizeof numbered, "%04i.01.000", line + 1);
        return numbered;
    }
    const std::int32_t tick = doc.editor().lineGutterTick(line);
    return tick < 0 ? std::string() : doc.song().timeMap().positionText(tick);
}

std::vector<EditorStartLetter> startLettersOf(TItemLyr& list, int firstItem, std::string_view text,
                                              const TextWidth& width,
                                              const TextEncoding& encoding) {
    std::vector<EditorStartLetter> letters;
    std::size_t column = 0;
    for (const LyrItem* it = list.get(firstItem); it && !it->lineBreak; it = it->next) {
        const std::size_t mark = it->text.find_first_not_of(' ');
        // A syllable of spaces only has no start mark.
        if (mark != std::string::npos && column + mark < text.size()) {
            const std::size_t at = column + mark;
            letters.push_back({static_cast<int>(at), kEditorTextX + width(text.substr(0, at)),
                               std::string(text.substr(at, encoding.charLength(text, at)))});
        }
        column += it->text.size();
    }
    return letters;
}

} // namespace

EditorLayout layoutEditor(EditorDocument& doc, const TextWidth& width, int panelWidth,
                          int panelHeight, bool marksScrolled) {
    EditorLayout out;
    out.width = std::max(panelWidth, 0);
    out.height = std::max(panelHeight, 0);
    LyricsEditor& editor = doc.editor();
    TItemKL& lines = doc.lyrics().lineList();
    TItemLyr& list = doc.lyrics().lyrics();
    const int lineCount = lines.count();
    const int first = editor.firstVisibleLine();
    out.encoding = doc.lyrics().textEncoding();
    for (int top = 0, line = first; top < out.height; top += kEditorRowHeight, ++line) {
        EditorRow& row = out.rows.emplace_back();
        row.top = top;
        const KLItem* shown = line < lineCount ? lines.item(line) : nullptr;
        if (!shown) continue;
        row.line = line;
        row.text = shown->text;
        row.gutter = gutterText(doc, line);
        row.startLetters =
            startLettersOf(list, firstItemOf(lines, line), row.text, width, out.encoding);
        if (line == editor.currentLine()) {
            row.startLetterColour =
                marksScrolled ? kScrolledStartLetterColour : kCurrentStartLetterColour;
            const auto column = static_cast<std::size_t>(editor.cursorColumn());
            const std::string_view text = row.text;
            const std::string letter(
                column < text.size() ? text.substr(column, out.encoding.charLength(text, column))
                                     : std::string_view(" "));
            out.cursor = EditorCursorCell{line,
                                          static_cast<int>(column),
                                          kEditorTextX + width(text.substr(0, column)),
                                          top + kCursorCellTop,
                                          width(letter),
                                          kCursorCellHeight,
                                          letter};
        }
        row.markerLit = line == editor.bindStartLine();
    }
    return out;
}

EditorHit hitEditor(EditorDocument& doc, const TextWidth& width, int x, int y) {
    EditorHit hit;
    if (y < 0 || x < 0) return hit;
    const int line = doc.editor().firstVisibleLine() + y / kEditorRowHeight;
    const KLItem* shown = doc.lyrics().lineList().item(line);
    if (!shown) return hit;
    hit.line = line;
    if (x < kEditorGutterEndX) {
        hit.area = EditorArea::Gutter;
    } else if (x > kEditorMarkerLeft && x < kEditorMarkerRuleX) {
        hit.area = EditorArea::Marker;
    } else if (x >= kEditorTextPressX) {
        hit.area = EditorArea::Text;
        const std::string_view text = shown->text;
        const TextEncoding& encoding = doc.lyrics().textEncoding();
        std::size_t column = 0;
        while (column < text.size()) {
            const std::size_t next = column + encoding.charLength(text, column);
            if (kEditorTextX + width(text.substr(0, next)) >= x) break;
            column = next;
        }
        hit.column = static_cast<int>(column);
    }
    return hit;
}

} // namespace cantelo
