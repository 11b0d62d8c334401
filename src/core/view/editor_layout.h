#pragma once

#include "core/document/binding.h"
#include "core/lyrics/text_encoding.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cantelo {

class EditorDocument;

// The karaoke text editor's surface, in panel pixels: one line per 16-pixel row with a rule under
// it, the gutter with the line's start position, the marker column, the text. Colours are
// 0xBBGGRR.
inline constexpr int kEditorGutterX = 2;
inline constexpr int kEditorGutterRuleX = 66;
inline constexpr int kEditorMarkerRuleX = 76;
inline constexpr int kEditorMarkerLeft = 67; // the button spans 67..75
inline constexpr int kEditorMarkerWidth = 9;
inline constexpr int kEditorMarkerTop = 3; // within its row
inline constexpr int kEditorMarkerHeight = 10;
inline constexpr int kEditorTextX = 80;
inline constexpr int kEditorTextTop = 2; // the text's top within its row
// A press at or right of this x places the cursor.
inline constexpr int kEditorTextPressX = 78;
// A double click left of this x moves the song position to the row's line.
inline constexpr int kEditorGutterEndX = 68;

inline constexpr std::uint32_t kEditorBackground = 0xFFFFFF;
inline constexpr std::uint32_t kEditorRuleColour = 0x000000;
inline constexpr std::uint32_t kEditorGutterColour = 0x008000;
inline constexpr std::uint32_t kEditorMarkerColour = 0x553732;
inline constexpr std::uint32_t kEditorMarkerLitColour = 0x0A22FF;
inline constexpr std::uint32_t kEditorTextColour = 0x000000;
inline constexpr std::uint32_t kStartLetterColour = 0x0000DD;
inline constexpr std::uint32_t kCurrentStartLetterColour = 0x008000;
// The cursor line's start letters after the scroll bar moved, until the cursor is placed again.
inline constexpr std::uint32_t kScrolledStartLetterColour = 0xFF0000;

// The first character of a syllable (after its leading spaces), drawn over the line's text.
struct EditorStartLetter {
    int column = 0; // byte offset in the row's text
    int x = 0;
    std::string letter; // the character's bytes in the song's encoding
};

struct EditorRow {
    int top = 0;   // y of the row's first pixel; its rule is the row's last pixel
    int line = -1; // index in the line list; -1 for a row under the text (rule only)
    std::string gutter;
    std::string text; // the line's bytes in the song's encoding
    std::vector<EditorStartLetter> startLetters;
    std::uint32_t startLetterColour = kStartLetterColour;
    bool markerLit = false; // the automatic binding starts from this line
};

// The character under the cursor, drawn white on black (a space past the line's end).
struct EditorCursorCell {
    int line = 0;
    int column = 0; // byte offset; may equal the text's length
    int x = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::string letter = " ";
};

struct EditorLayout {
    int width = 0;
    int height = 0;
    TextEncoding encoding;       // the song's, which groups the rows' bytes into characters
    std::vector<EditorRow> rows; // every row that shows on the panel, the partial last one too
    std::optional<EditorCursorCell> cursor; // when the cursor line shows
};

// Computes what the panel shows for the document's editor as it stands: its first visible line,
// its cursor and bindStartLine. `width` measures text of the song's encoding in the panel's
// font.
// `marksScrolled`: the scroll bar has moved since the cursor was last placed, so the cursor
// line's start letters are blue instead of green. The gutter shows measure.beat.tick of each
// line's start tick, and with no song open the line numbers as "%04i.01.000". Reads the
// document only (the editor's line cursor caches move). GUI thread; never throws for any panel
// size (an empty panel has no rows).
EditorLayout layoutEditor(EditorDocument& doc, const TextWidth& width, int panelWidth,
                          int panelHeight, bool marksScrolled = false);

// What a mouse press at (x, y) on the panel reaches.
enum class EditorArea {
    None,   // between the marker column and the text, or under the last line
    Gutter, // x < 68: a double click moves the song position to the line
    Marker, // 67 < x < 76: the line becomes bindStartLine
    Text,   // x >= 78: the cursor goes to `column`
};

struct EditorHit {
    EditorArea area = EditorArea::None;
    int line = -1;
    // For Text: the byte offset of the first character whose right edge (measured from x 80)
    // reaches x, or the line's length when none does (the cursor after the line).
    int column = 0;
};

EditorHit hitEditor(EditorDocument& doc, const TextWidth& width, int x, int y);

} // namespace cantelo
