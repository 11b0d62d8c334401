#include "core/lyrics/lyrics_editor.h"

#include "core/lyrics/syllabify.h"

#include <algorithm>
#include <stdexcept>

namespace cantelo {

namespace {

// A new syllable or line break lies this far from the item it was cut from.
constexpr double kTypedStep = 10;
constexpr double kBreakStep = 5;
// The last partial row of the panel counts for the scroll range from this height on.
constexpr int kPartialRowPixels = 5;

void copyItems(const TItemLyr& from, TItemLyr& to) {
    to.clear();
    for (const LyrItem* it = from.head(); it; it = it->next)
        to.add(it->text, it->lineBreak, it->tick);
}

bool sameItems(const TItemLyr& a, const TItemLyr& b) {
    if (a.count() != b.count()) return false;
    for (const LyrItem *x = a.head(), *y = b.head(); x; x = x->next, y = y->next)
        if (x->text != y->text || x->tick != y->tick || x->lineBreak != y->lineBreak) return false;
    return true;
}

// Line i of the line list, which must exist.
const KLItem& lineAt(TItemKL& lines, int i) {
    const KLItem* line = lines.item(i);
    if (!line) throw std::out_of_range("lyric line index");
    return *line;
}

bool isSyllable(const LyrItem* item) {
    return item && !item->lineBreak;
}

// One step of a typing run: the line and the syllable typed into.
std::uint64_t typingKey(int line, int item) {
    return (static_cast<std::uint64_t>(line + 1) << 32) | static_cast<std::uint32_t>(item + 1);
}

// Keeps a flag set while our own refresh is delivered, even if a listener throws.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~FlagScope() { m_flag = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& m_flag;
};

} // namespace

LyricsEditor::LyricsEditor(LyricsDocument& doc, std::size_t historyLimit)
    : m_doc(doc), m_history(historyLimit) {
    m_listenerId = m_doc.subscribe([this](const LyricsChange& c) { onDocumentChange(c); });
    prepare();
    rebuildLineStartTicks();
}

LyricsEditor::~LyricsEditor() {
    m_doc.unsubscribe(m_listenerId);
}

void LyricsEditor::resetForNewSong() {
    startOver();
    prepare();
    rebuildLineStartTicks();
}

void LyricsEditor::startOver() {
    // Steps of the old song must not be undone into the new one.
    m_history.clear();
    m_currentLine = 0;
    m_cursorColumn = 0;
    m_previousLine = -1;
    m_firstVisibleLine = 0;
    m_bindStartLine = 0;
}

void LyricsEditor::prepare() {
    // Lists may have been changed without a notification (a document reset, a file load):
    // every command starts from lines built afresh.
    m_doc.BuildLineList();
    settle();
}

int LyricsEditor::scrollMaximum() const {
    const int partial = m_panelHeight % kEditorRowHeight < kPartialRowPixels ? 1 : 2;
    return std::max(0, m_doc.lineCount() - m_visibleRows + 1 - partial);
}

void LyricsEditor::setPanelHeight(int pixels) {
    m_panelHeight = std::max(pixels, kEditorRowHeight);
    m_visibleRows = m_panelHeight / kEditorRowHeight;
    m_firstVisibleLine = std::clamp(m_firstVisibleLine, 0, scrollMaximum());
    rebuildLineStartTicks();
}

void LyricsEditor::setFirstVisibleLine(int line) {
    m_firstVisibleLine = std::clamp(line, 0, scrollMaximum());
    rebuildLineStartTicks();
}

void LyricsEditor::setBindStartLine(int line) {
    m_bindStartLine = std::clamp(line, 0, std::max(m_doc.lineCount() - 1, 0));
}

std::int32_t LyricsEditor::lineGutterTick(int line) {
    if (line < 0 || line >= m_doc.lineCount()) return -1;
    TItemLyr& l = list();
    const KLItem* before = line == 0 ? nullptr : m_doc.lineList().item(line - 1);
    const int first = before ? static_cast<int>(before->value) + 1 : 0;
    if (first >= l.count()) {
        // The empty line after a final break shows a tick just after that break.
        return l.tail() ? static_cast<std::int32_t>(l.tail()->tick + kTypedStep) : -1;
    }
    return m_doc.lineStartTick(line);
}

CursorLocation LyricsEditor::LocateCursor() {
    CursorLocation at{m_currentLineFirstItem, 0, {}};
    int before = 0;
    for (LyrItem* it = list().get(at.item); isSyllable(it); it = it->next) {
        at.lineUpToItem += it->text;
        const int total = before + static_cast<int>(it->text.size());
        // A column past the line stays with the line's last syllable.
        if (total >= m_cursorColumn || !isSyllable(it->next)) break;
        before = total;
        ++at.item;
    }
    at.offset = m_cursorColumn - before;
    return at;
}

// ---- cursor -------------------------------------------------------------------------------

void LyricsEditor::setCursor(int line, int column) {
    m_history.closeStep();
    finish(line, column, 0, false);
}

void LyricsEditor::moveCursorToItem(int item) {
    m_history.closeStep();
    m_doc.BuildLineList();
    int line = 0;
    for (const KLItem* l = m_doc.lineList().head(); l && l->value < item; l = l->next) ++line;
    const KLItem* before = line == 0 ? nullptr : m_doc.lineList().item(line - 1);
    int column = 0;
    LyrItem* it = list().get(before ? static_cast<int>(before->value) + 1 : 0);
    for (int i = before ? static_cast<int>(before->value) + 1 : 0; it && i < item;
         ++i, it = it->next)
        column += static_cast<int>(it->text.size());
    finish(line, column, 0, false);
}

void LyricsEditor::moveLeft() {
    m_history.closeStep();
    prepare();
    if (m_cursorColumn > 0) {
        const std::size_t step = encoding().charLengthBefore(
            m_currentLineText, static_cast<std::size_t>(m_cursorColumn));
        finish(m_currentLine, m_cursorColumn - static_cast<int>(step), 0, false);
    } else if (m_currentLine > 0) {
        const std::string& above = lineAt(m_doc.lineList(), m_currentLine - 1).text;
        int column = static_cast<int>(above.size());
        if (!above.empty() && above.back() == ' ') --column;
        finish(m_currentLine - 1, column, 0, false);
    }
}

void LyricsEditor::moveRight() {
    m_history.closeStep();
    prepare();
    const int length = static_cast<int>(m_currentLineText.size());
    const int next =
        m_cursorColumn + static_cast<int>(encoding().charLength(
                             m_currentLineText, static_cast<std::size_t>(m_cursorColumn)));
    const bool endsWithSpace = length > 0 && m_currentLineText.back() == ' ';
    if ((next == length && endsWithSpace) || next > length) {
        if (m_currentLine + 1 < m_doc.lineCount())
            finish(m_currentLine + 1, 0, 0, false);
        else
            finish(m_currentLine, std::min(next, length), 0, false);
    } else {
        finish(m_currentLine, next, 0, false);
    }
}

void LyricsEditor::moveUp() {
    m_history.closeStep();
    prepare();
    if (m_currentLine > 0) finish(m_currentLine - 1, 0, 0, false);
}

void LyricsEditor::moveDown() {
    m_history.closeStep();
    prepare();
    if (m_currentLine + 1 < m_doc.lineCount()) finish(m_currentLine + 1, 0, 0, false);
}

// ---- typing -------------------------------------------------------------------------------

void LyricsEditor::shiftRestOfLine(int from, double delta) {
    for (LyrItem* it = list().get(from); it; it = it->next) {
        it->tick += delta;
        if (it->lineBreak) break;
    }
}

void LyricsEditor::typeInto(int k, int o, const std::string& typed) {
    TItemLyr& l = list();
    LyrItem* item = l.get(k);
    const bool space = typed == " ";
    if (!item) {
        // The empty line after a final break has no item yet.
        l.add(typed, 0, l.tail() ? l.tail()->tick + kTypedStep : kFirstEmptyLineTick);
        return;
    }
    if (item->lineBreak) {
        // An empty line: the character becomes its first syllable, a space included (a break
        // item holds no text).
        const double tick = item->tick;
        item->tick += kTypedStep;
        l.insert(k, typed, 0, tick);
        return;
    }
    std::string& text = item->text;
    const auto at = static_cast<std::size_t>(o);
    const bool spaceBefore = o >= 1 && text[at - 1] == ' ';
    if (!space) {
        if (o >= 1 && !spaceBefore) {
            text.insert(at, typed);
        } else if (o == 0 && (text.empty() || text.front() != ' ')) {
            const double tick = item->tick;
            item->tick += kTypedStep;
            l.insert(k, typed, 0, tick);
        } else {
            // A word starts at the cursor: the character starts a new syllable there.
            std::string rest = typed + text.substr(at);
            if (at == 0) {
                // Nothing would stay before the cut: no empty syllable is left behind.
                text = std::move(rest);
                return;
            }
            text.erase(at);
            const double tick = item->tick;
            shiftRestOfLine(k + 1, kTypedStep);
            l.insert(k + 1, rest, 0, tick + kTypedStep);
        }
        return;
    }
    // A space byte never stands inside a character of any offered encoding.
    const std::size_t afterCursor =
        at < text.size() ? at + encoding().charLength(text, at) : at + 1;
    const bool spaceAfter = afterCursor < text.size() && text[afterCursor] == ' ';
    if (o >= 1 && !spaceBefore && !spaceAfter) {
        // The space ends the word here; what followed the cursor becomes the next syllable.
        std::string rest = text.substr(at);
        text.erase(at);
        text += ' ';
        if (!rest.empty() && rest != " ") {
            const double tick = item->tick;
            shiftRestOfLine(k + 1, kTypedStep);
            l.insert(k + 1, rest, 0, tick + kTypedStep);
        }
    } else {
        text.insert(at, typed);
    }
}

void LyricsEditor::typeCharacter(std::string_view bytes) {
    if (bytes.empty()) return;
    const auto first = static_cast<unsigned char>(bytes.front());
    if (bytes.size() == 1 && (first < 0x20 || first == 0x7F)) return;
    const std::string typed(bytes);
    prepare();
    const CursorLocation at = LocateCursor();
    edit(typingKey(m_currentLine, at.item), [&] { typeInto(at.item, at.offset, typed); });
    finish(m_currentLine, m_cursorColumn + static_cast<int>(typed.size()), 0, true);
}

bool LyricsEditor::typeUnicode(char32_t c) {
    if (c < 0x20 || c == 0x7F) return true;
    const std::optional<std::string> bytes = encoding().encode(c);
    if (!bytes) return false;
    typeCharacter(*bytes);
    return true;
}

// ---- Enter, Backspace, Delete ---------------------------------------------------------------

bool LyricsEditor::lineIsEmpty() const {
    return m_currentLineText.empty();
}

void LyricsEditor::pressEnter() {
    prepare();
    const CursorLocation at = LocateCursor();
    const bool lowerHalf = (m_currentLine - m_firstVisibleLine) * 2 >= m_visibleRows;
    bool scroll = lowerHalf;
    edit(0, [&] {
        TItemLyr& l = list();
        LyrItem* item = l.get(at.item);
        if (!item) {
            l.add({}, 1, l.tail() ? l.tail()->tick + kBreakStep : kFirstEmptyLineTick);
            return;
        }
        const double tick = item->tick;
        const int length = static_cast<int>(item->text.size());
        if (m_cursorColumn == 0 && !lineIsEmpty()) {
            // A new empty line above this one.
            l.insert(at.item, {}, 1, tick - kBreakStep);
        } else if (item->lineBreak || at.offset >= length) {
            LyrItem* next = item->next;
            if (!item->lineBreak && isSyllable(next) && !item->text.empty() &&
                item->text.back() == ' ') {
                item->text.pop_back();
                if (item->text.empty()) {
                    // The syllable was only a space: it goes, and the break takes its place.
                    l.remove(at.item);
                    l.insert(at.item, {}, 1, tick + kBreakStep);
                    return;
                }
            }
            if (at.item >= l.count() - 2)
                l.insert(at.item + 1, {}, 1, tick - kBreakStep);
            else if (next->lineBreak)
                l.insert(at.item + 2, {}, 1, next->tick + kBreakStep);
            else
                l.insert(at.item + 1, {}, 1, tick + kBreakStep);
        } else {
            // Inside a syllable: the line is cut at the cursor.
            scroll = true;
            const auto cut = static_cast<std::size_t>(at.offset);
            std::string second = item->text.substr(cut);
            second.erase(0, std::min(second.find_first_not_of(' '), second.size()));
            int breakAt = at.item + 1;
            if (cut == 1 && item->text.front() == ' ') {
                l.remove(at.item);
                breakAt = at.item;
            } else {
                item->text.erase(cut);
            }
            l.insert(breakAt, {}, 1, tick + kBreakStep);
            // A part that was only spaces leaves no empty syllable behind.
            if (!second.empty()) l.insert(breakAt + 1, second, 0, tick + kTypedStep);
        }
    });
    if (scroll) ++m_firstVisibleLine;
    finish(m_currentLine + 1, 0, kEditorRowHeight, true);
}

void LyricsEditor::joinWithNextLine(int breakItem, int line, int column) {
    const bool extendText = scrollMaximum() == 0;
    edit(0, [&] {
        list().remove(breakItem);
        // A text that fits the panel keeps its number of lines.
        if (extendText) m_doc.appendEmptyLine();
    });
    finish(line, column, 0, true);
}

void LyricsEditor::pressBackspace() {
    prepare();
    if (m_cursorColumn == 0) {
        if (m_currentLine == 0) return;
        const LyrItem* first = list().get(m_currentLineFirstItem);
        const int breakItem =
            first && first->lineBreak ? m_currentLineFirstItem : m_currentLineFirstItem - 1;
        const int column =
            static_cast<int>(lineAt(m_doc.lineList(), m_currentLine - 1).text.size());
        joinWithNextLine(breakItem, m_currentLine - 1, column);
        return;
    }
    const CursorLocation at = LocateCursor();
    TItemLyr& l = list();
    LyrItem* item = l.get(at.item);
    if (!isSyllable(item) || at.offset < 1) return;
    const auto o = static_cast<std::size_t>(at.offset);
    // The character before the cursor, and whether the syllable holds another one.
    const std::size_t n = encoding().charLengthBefore(item->text, o);
    edit(0, [&] {
        std::string& text = item->text;
        if (text.size() > n && o > n) {
            text.erase(o - n, n);
        } else if (text.size() > n) {
            // The syllable loses its start mark and continues the syllable before it.
            LyrItem* before = item->prev;
            if (isSyllable(before)) {
                before->text += text.substr(n);
                l.remove(at.item);
            } else {
                text.erase(0, n);
                if (text.empty() || text == " ") l.remove(at.item);
            }
        } else {
            l.remove(at.item);
            if (LyrItem* now = l.get(at.item); now && now->lineBreak) now->tick -= kTypedStep;
        }
    });
    finish(m_currentLine, m_cursorColumn - static_cast<int>(n), 0, true);
}

void LyricsEditor::pressDelete() {
    prepare();
    const std::string& line = m_currentLineText;
    const int length = static_cast<int>(line.size());
    const auto column = static_cast<std::size_t>(m_cursorColumn);
    const int cursorChar = static_cast<int>(encoding().charLength(line, column));
    if (m_cursorColumn + cursorChar >= length) {
        if (m_currentLine + 1 >= m_doc.lineCount()) return;
        const int closing = static_cast<int>(lineAt(m_doc.lineList(), m_currentLine).value);
        joinWithNextLine(closing, m_currentLine, m_cursorColumn);
        return;
    }
    // The character after the cursor character, wherever on the line it lies.
    int target = m_cursorColumn + cursorChar;
    int k = m_currentLineFirstItem;
    LyrItem* it = list().get(k);
    while (isSyllable(it) && target >= static_cast<int>(it->text.size())) {
        target -= static_cast<int>(it->text.size());
        it = it->next;
        ++k;
    }
    if (!isSyllable(it)) return;
    edit(0, [&] {
        const auto from = static_cast<std::size_t>(target);
        it->text.erase(from, encoding().charLength(it->text, from));
        if (it->text.empty()) list().remove(k);
    });
    finish(m_currentLine, m_cursorColumn, 0, true);
}

// ---- text tools -----------------------------------------------------------------------------

bool LyricsEditor::clearText() {
    prepare();
    if (!edit(0, [&] { ::cantelo::clearText(list()); })) return false;
    finish(m_currentLine, m_cursorColumn, 0, true);
    return true;
}

bool LyricsEditor::importText(std::string_view bytes) {
    prepare();
    bool imported = false;
    edit(0, [&] {
        imported = importTextBytes(list(), bytes, encoding());
        if (!imported) return;
        m_doc.BuildLineList();
        m_doc.PadLines();
    });
    if (imported) finish(m_currentLine, m_cursorColumn, 0, true);
    return imported;
}

bool LyricsEditor::changeTextCase(LetterCase to) {
    prepare();
    if (!edit(0, [&] { ::cantelo::changeTextCase(list(), to, encoding()); })) return false;
    finish(m_currentLine, m_cursorColumn, 0, true);
    return true;
}

bool LyricsEditor::changeSyllableStartCase(LetterCase to) {
    prepare();
    const CursorLocation at = LocateCursor();
    if (!edit(0, [&] {
            ::cantelo::changeSyllableStartCase(list(), at.item, at.offset, to, encoding());
        }))
        return false;
    finish(m_currentLine, m_cursorColumn, 0, true);
    return true;
}

bool LyricsEditor::adaptTextToWindow() {
    prepare();
    if (!edit(0, [&] { AdaptTextToWindow(list(), encoding()); })) return false;
    finish(m_currentLine, m_cursorColumn, 0, true);
    return true;
}

bool LyricsEditor::joinSyllables() {
    prepare();
    const CursorLocation at = LocateCursor();
    if (!edit(0, [&] { ::cantelo::joinSyllables(list(), at.item, at.offset); })) return false;
    finish(m_currentLine, m_cursorColumn, 0, true);
    return true;
}

bool LyricsEditor::syllabify() {
    prepare();
    if (!edit(0, [&] { syllabifyLyrics(list(), m_doc.scratchList(), encoding()); })) return false;
    finish(m_currentLine, 0, 0, true);
    return true;
}

// ---- undo ---------------------------------------------------------------------------------

bool LyricsEditor::undo() {
    return restore(m_history.undo(list(), cursor()));
}

bool LyricsEditor::redo() {
    return restore(m_history.redo(list(), cursor()));
}

bool LyricsEditor::restore(std::optional<LyricsCursor> restored) {
    if (!restored) return false;
    finish(restored->line, restored->column, 0, true);
    return true;
}

bool LyricsEditor::edit(std::uint64_t mergeKey, const std::function<void()>& change) {
    TItemLyr before;
    copyItems(list(), before);
    const LyricsCursor at = cursor();
    change();
    if (sameItems(before, list())) {
        if (mergeKey == 0) m_history.closeStep();
        return false;
    }
    m_history.record(before, at, mergeKey);
    return true;
}

// ---- refresh ------------------------------------------------------------------------------

void LyricsEditor::finish(int line, int column, int rowOffset, bool movePosition) {
    m_doc.BuildLineList();
    if (line != m_currentLine) m_previousLine = m_currentLine;
    m_currentLine = line;
    m_cursorColumn = column;
    settle();
    keepCursorVisible();
    rebuildLineStartTicks();
    FlagScope applying(m_applying);
    m_doc.refresh(m_cursorColumn, rowOffset, movePosition);
}

void LyricsEditor::settle() {
    const int lines = m_doc.lineCount();
    m_currentLine = std::clamp(m_currentLine, 0, std::max(lines - 1, 0));
    if (m_previousLine >= lines) m_previousLine = -1;
    if (lines == 0) {
        m_currentLineFirstItem = 0;
        m_currentLineText.clear();
    } else {
        TItemKL& lineList = m_doc.lineList();
        const KLItem* before = m_currentLine == 0 ? nullptr : lineList.item(m_currentLine - 1);
        m_currentLineFirstItem = before ? static_cast<int>(before->value) + 1 : 0;
        m_currentLineText = lineAt(lineList, m_currentLine).text;
    }
    m_cursorColumn = std::clamp(m_cursorColumn, 0, static_cast<int>(m_currentLineText.size()));
    if (!encoding().singleByte()) {
        // A column from outside (a click, another view, an undo step of another encoding)
        // may fall inside a character: the cursor stands on that character's start.
        const std::string_view text = m_currentLineText;
        m_cursorColumn = static_cast<int>(encoding().byteOffset(
            text, encoding().charIndex(text, static_cast<std::size_t>(m_cursorColumn))));
    }
    m_firstVisibleLine = std::clamp(m_firstVisibleLine, 0, scrollMaximum());
}

void LyricsEditor::keepCursorVisible() {
    if (m_currentLine < m_firstVisibleLine)
        m_firstVisibleLine = m_currentLine;
    else if (m_currentLine >= m_firstVisibleLine + m_visibleRows)
        m_firstVisibleLine = m_currentLine - m_visibleRows + 1;
    m_firstVisibleLine = std::clamp(m_firstVisibleLine, 0, scrollMaximum());
}

void LyricsEditor::rebuildLineStartTicks() {
    TItemI& ticks = m_doc.lineStartTicks();
    ticks.clear();
    // The whole rows and the partial one under them.
    const int last = std::min(m_doc.lineCount() - 1, m_firstVisibleLine + m_visibleRows);
    for (int line = m_firstVisibleLine; line <= last; ++line) ticks.add(lineGutterTick(line));
}

void LyricsEditor::onDocumentChange(const LyricsChange& change) {
    if (m_applying) return;
    // Someone else changed the list: a typing run cannot continue across it.
    m_history.closeStep();
    if (change.scrollToTop) startOver();
    if (change.cursorLine) {
        m_currentLine += change.rowOffset / kEditorRowHeight;
        if (change.column >= 0) m_cursorColumn = change.column;
    }
    settle();
    if (change.cursorLine) keepCursorVisible();
    rebuildLineStartTicks();
}

} // namespace cantelo
