#pragma once

#include "core/lyrics/lyrics_history.h"
#include "core/lyrics/lyrics_model.h"
#include "core/lyrics/text_tools.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace cantelo {

inline constexpr int kEditorRowHeight = 16;
// Before the GUI reports its panel, the editor behaves as a panel of twelve whole rows.
inline constexpr int kDefaultEditorPanelHeight = 12 * kEditorRowHeight;

// Where the cursor stands inside the lyric list (`LocateCursor`).
struct CursorLocation {
    // The syllable the cursor belongs to; on an empty line its break item, and on the empty line
    // after a final break the list's count (no item).
    int item = 0;
    // The cursor's offset in that item's text; a cursor on the boundary after a syllable belongs
    // to it with the offset equal to its length.
    int offset = 0;
    std::string lineUpToItem; // the line's text up to and including the item
};

// The karaoke text editor without its drawing: the cursor line and column, the scrolled rows,
// the keys that edit the lyric list, the text tools as editor commands, and undo and redo.
//
// The editor takes characters, not key codes: the GUI maps its keys. Columns are byte offsets
// into the line's text that always stand on a character boundary of the song's encoding, so every
// move, cut and deletion takes whole characters (one byte each in a single-byte song). Every
// command that changes the lyric list records one undo step first and ends with the common refresh,
// a LyricsChange notification of the document; when listeners run, the editor has already placed
// its cursor (the notification's column and row offset say what happened) and its scroll position,
// so the GUI reads the state below and draws it. Commands that would change nothing record and
// notify nothing. Cursor moves notify too, without moving the song position.
//
// The editor also follows refreshes made by others on the same document (binding, key-tap
// synchronisation, the tidy-up): it applies their column and row offset and keeps its cursor on
// an existing line. GUI thread only; the document must outlive the editor.
class LyricsEditor {
public:
    explicit LyricsEditor(LyricsDocument& doc, std::size_t historyLimit = 200);
    ~LyricsEditor();
    LyricsEditor(const LyricsEditor&) = delete;
    LyricsEditor& operator=(const LyricsEditor&) = delete;

    // Opening a song: the cursor goes to the top, the scroll bar to 0, bindStartLine to 0, and
    // the history starts again. Notifies nothing (the open has notified its redraw). The
    // document's new-song notification (scrollToTop) does the same on its own.
    void resetForNewSong();

    // Cursor and rows.
    int currentLine() const { return m_currentLine; }
    int cursorColumn() const { return m_cursorColumn; }
    const std::string& currentLineText() const { return m_currentLineText; }
    int currentLineFirstItem() const { return m_currentLineFirstItem; }
    // The line that was current before the last change of line, to recolour it; -1 when none.
    int previousLine() const { return m_previousLine; }
    LyricsCursor cursor() const { return {m_currentLine, m_cursorColumn}; }
    int firstVisibleLine() const { return m_firstVisibleLine; }
    int visibleRows() const { return m_visibleRows; }
    // The scroll bar's maximum: lines - visible rows + 1, minus 1 when the panel's last partial
    // row is under 5 pixels high, else minus 2; never below 0.
    int scrollMaximum() const;
    // The GUI's panel height in pixels; the visible rows are its whole 16-pixel rows.
    void setPanelHeight(int pixels);
    // The scroll bar moved: the first visible line, kept within 0..scrollMaximum(). The cursor
    // stays on its line. Notifies nothing.
    void setFirstVisibleLine(int line);

    int bindStartLine() const { return m_bindStartLine; }
    // A click in the marker column; kept within the lines.
    void setBindStartLine(int line);

    // The tick shown in line `line`'s gutter: its first item's tick, and for the empty line after
    // a final break that break's tick + 10. -1 when there is no such line.
    std::int32_t lineGutterTick(int line);
    // The song position that follows the cursor line after an edit.
    std::int32_t currentLineStartTick() { return lineGutterTick(m_currentLine); }

    CursorLocation LocateCursor();

    // A click on the text: line and column are kept within the text (the column may stand on
    // the virtual space after the line). Closes a typing run; the song position stays.
    void setCursor(int line, int column);
    // The cursor on a lyric item's first character (a press on its box in the grid).
    void moveCursorToItem(int item);
    void moveLeft();
    void moveRight();
    void moveUp();
    void moveDown();

    // Editing keys. Typing refuses control characters (below 32 and 127): a carriage return in a
    // syllable would read back as a line start, and a NUL would end the text.
    void typeCharacter(char c) { typeCharacter(std::string_view(&c, 1)); }
    // `bytes` are one character in the song's encoding, inserted whole.
    void typeCharacter(std::string_view bytes);
    // The character in the song's encoding; false, with nothing changed, when the encoding has no
    // bytes for it (a control character is refused too, without being an error).
    bool typeUnicode(char32_t c);
    void pressEnter();
    void pressBackspace();
    void pressDelete();

    // Text tools as editor commands, each one undo step. Each returns whether the lyric list
    // changed (nothing is recorded or notified when it did not).
    bool clearText();
    // The bytes of a text file in the song's encoding (see textFileInEncoding); false (nothing
    // changed) for empty input.
    bool importText(std::string_view bytes);
    bool changeTextCase(LetterCase to);
    bool changeSyllableStartCase(LetterCase to);
    bool adaptTextToWindow();
    bool joinSyllables();
    bool syllabify();

    // Undo and redo put back the list and the cursor and run the common refresh; false when
    // there is nothing to undo or redo.
    bool undo();
    bool redo();
    bool canUndo() const { return m_history.canUndo(); }
    bool canRedo() const { return m_history.canRedo(); }
    // Shared with the binding and synchronisation commands, which record their own steps with
    // the editor's cursor() before they change the list.
    LyricsHistory& history() { return m_history; }

private:
    TItemLyr& list() { return m_doc.lyrics(); }
    // Records one undo step around `change` when it changes the list; a non-zero `mergeKey`
    // joins the step to the previous one with the same key. Returns whether the list changed.
    bool edit(std::uint64_t mergeKey, const std::function<void()>& change);
    // Places the cursor on (line, column), keeps it on the text and visible, and notifies.
    void finish(int line, int column, int rowOffset, bool movePosition);
    // After any change of the lines: the cursor on an existing line and column, its first item
    // and text, the scroll within range, the gutter ticks.
    void settle();
    // After undo or redo: the cursor the step kept, and the common refresh.
    bool restore(std::optional<LyricsCursor> restored);
    // The state of a new song, history included.
    void startOver();
    // Builds the lines and settles the cursor before a command.
    void prepare();
    void keepCursorVisible();
    void scrollDownOneLine();
    void rebuildLineStartTicks();
    void onDocumentChange(const LyricsChange& change);
    void joinWithNextLine(int breakItem, int line, int column);
    void typeInto(int k, int o, const std::string& typed);
    const TextEncoding& encoding() const { return m_doc.textEncoding(); }
    void shiftRestOfLine(int from, double delta);
    bool lineIsEmpty() const;

    LyricsDocument& m_doc;
    LyricsHistory m_history;
    int m_listenerId = 0;
    bool m_applying = false; // our own refresh is being delivered

    int m_currentLine = 0;
    int m_cursorColumn = 0;
    std::string m_currentLineText;
    int m_currentLineFirstItem = 0;
    int m_previousLine = -1;
    int m_firstVisibleLine = 0;
    int m_panelHeight = kDefaultEditorPanelHeight;
    int m_visibleRows = kDefaultEditorPanelHeight / kEditorRowHeight;
    int m_bindStartLine = 0;
};

} // namespace cantelo
