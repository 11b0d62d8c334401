#include "core/view/editor_layout.h"
#include "core/view/editor_sync_marks.h"

#include "core/document/editor_document.h"
#include "core/lyrics/cp1252.h"
#include "core/timing/time_map.h"
#include "lyric_items.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

namespace cantelo {
namespace {

namespace fs = std::filesystem;
using Cell = std::pair<std::string, int>;
using Texts = std::pair<std::string, std::string>;

// A proportional stand-in for the font: 'i' is narrow and a space narrower than a letter, so a
// position taken from the column count instead of the measured text lands elsewhere.
int standInWidth(std::string_view text) {
    int sum = 0;
    for (char c : text) sum += c == 'i' ? 3 : c == ' ' ? 4 : 7;
    return sum;
}
const TextWidth kWidth = standInWidth;

class EditorLayoutTest : public ::testing::Test {
protected:
    // Replaces the lyrics and lets the editor settle on them, as an edit's refresh does.
    void load(const char* items) {
        setItems(doc.lyrics().lyrics(), items);
        doc.lyrics().refresh(0, 0, false);
    }
    bool openCorpusSong() {
        const fs::path song = fs::path(CANTELO_CORPUS_DIR) / "dmp__twinkle.kar";
        return fs::exists(song) && doc.open(song.string());
    }
    EditorLayout layout(int height = 10 * kEditorRowHeight, bool scrolled = false) {
        return layoutEditor(doc, kWidth, 300, height, scrolled);
    }

    EditorDocument doc;
};

TEST_F(EditorLayoutTest, StartLettersSkipLeadingSpacesAndSitAtTheMeasuredPrefix) {
    // " Twin" "kle" " " (spaces only: no mark) " lit" "tle" | " star"
    load(" Twin@100,kle@110, @115, lit@120,tle@130,|@140, star@150");
    const EditorLayout l = layout();
    std::vector<std::tuple<int, std::string, int>> letters;
    for (const EditorStartLetter& s : l.rows.at(0).startLetters)
        letters.emplace_back(s.column, s.letter, s.x);
    // " Twinkle  little": T after one space; k after " Twin" (4+7+7+3+7); l after " Twinkle  "
    // (+7+7+7+4+4), t after " Twinkle  lit" (+7+3+7).
    EXPECT_EQ(letters, (std::vector<std::tuple<int, std::string, int>>{
                           {1, "T", 84}, {5, "k", 108}, {10, "l", 137}, {13, "t", 154}}));
    ASSERT_EQ(l.rows.at(1).startLetters.size(), 1u);
    EXPECT_EQ(l.rows.at(1).startLetters[0].x, kEditorTextX + 4);
}

TEST_F(EditorLayoutTest, CursorLineIsGreenBlueAfterScrollingAndTheMarkerLightsTheStartLine) {
    load("ab@100,|@110,cd@120,|@130,ef@140");
    doc.editor().setCursor(1, 2); // after the line's end
    doc.editor().setBindStartLine(2);
    EditorLayout l = layout();
    ASSERT_GE(l.rows.size(), 3u);
    EXPECT_EQ(std::tuple(l.rows[0].startLetterColour, l.rows[1].startLetterColour,
                         l.rows[2].startLetterColour),
              std::tuple(kStartLetterColour, kCurrentStartLetterColour, kStartLetterColour));
    EXPECT_EQ(std::pair(l.rows[1].markerLit, l.rows[2].markerLit), std::pair(false, true));
    // The cursor past the end stands on a space right of the text, in the current row.
    ASSERT_TRUE(l.cursor);
    EXPECT_EQ(std::tuple(l.cursor->letter, l.cursor->x, l.cursor->width, l.cursor->top),
              std::tuple(std::string(" "), kEditorTextX + 14, 4, kEditorRowHeight + 1));
    EXPECT_EQ(layout(10 * kEditorRowHeight, true).rows[1].startLetterColour,
              kScrolledStartLetterColour);

    // Scrolled past the cursor line: no cursor cell; the rows start at the first visible line.
    doc.editor().setPanelHeight(kEditorRowHeight);
    doc.editor().setFirstVisibleLine(2);
    l = layout(kEditorRowHeight);
    ASSERT_EQ(l.rows.size(), 1u);
    EXPECT_TRUE(l.rows[0].line == 2 && !l.cursor);
}

TEST_F(EditorLayoutTest, GutterShowsPositionsAndTheRowAfterAFinalBreakItsTickPlusTen) {
    // Without a song the rows are numbered by line, also when scrolled.
    load("a@100,|@110,b@120,|@130,c@140");
    doc.editor().setPanelHeight(kEditorRowHeight);
    doc.editor().setFirstVisibleLine(1);
    EditorLayout l = layout(2 * kEditorRowHeight);
    EXPECT_EQ(std::pair(l.rows.at(0).gutter, l.rows.at(1).gutter),
              Texts("0002.01.000", "0003.01.000"));

    if (!openCorpusSong()) GTEST_SKIP() << "no corpus at " << CANTELO_CORPUS_DIR;
    load("la@960,|@970, la@1200,|@1210");
    // Two whole rows and a partial one, then a row under the text with its rule only.
    l = layout(3 * kEditorRowHeight + 7);
    ASSERT_EQ(l.rows.size(), 4u);
    const std::int32_t ticks[] = {960, 1200, 1220};
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(l.rows[i].gutter, doc.song().timeMap().positionText(ticks[i]));
    EXPECT_EQ(std::tuple(l.rows[2].top, l.rows[3].line, l.rows[3].gutter),
              std::tuple(2 * kEditorRowHeight, -1, std::string()));
}

// A UTF-8 song: the cursor cell and the start marks hold whole characters, and a press never
// lands inside one (the stand-in font counts each byte, so "\xC3\xBC" is 14 pixels wide).
TEST_F(EditorLayoutTest, MultiByteCharactersAreCellsAndPressTargetsAsAWhole) {
    doc.lyrics().setTextEncoding(TextEncoding::utf8());
    load("\xC3\xBC"
         "ber@100,mut@110");
    doc.editor().setCursor(0, 0);
    const EditorLayout l = layout();
    ASSERT_TRUE(l.cursor);
    EXPECT_EQ(std::pair(l.cursor->letter, l.cursor->width), Cell("\xC3\xBC", 14));
    ASSERT_EQ(l.rows.at(0).startLetters.size(), 2u);
    EXPECT_EQ(std::pair(l.rows[0].startLetters[0].letter, l.rows[0].startLetters[1].column),
              Cell("\xC3\xBC", 5));
    // Pixels 80..93 are the "\xC3\xBC": any press there is column 0, the next one column 2.
    EXPECT_EQ(hitEditor(doc, kWidth, kEditorTextX + 13, 3).column, 0);
    EXPECT_EQ(hitEditor(doc, kWidth, kEditorTextX + 15, 3).column, 2);
}

TEST_F(EditorLayoutTest, HitTestAreasAndColumnsAtTheirEdges) {
    load("Lit@100,|@110,x@120");
    // "Lit": L ends at 87, i at 90, t at 97; a character is hit until x passes its right edge.
    const std::vector<std::tuple<int, EditorArea, int>> cases{
        {0, EditorArea::Gutter, 0},  {67, EditorArea::Gutter, 0}, {68, EditorArea::Marker, 0},
        {75, EditorArea::Marker, 0}, {76, EditorArea::None, 0},   {77, EditorArea::None, 0},
        {78, EditorArea::Text, 0},   {87, EditorArea::Text, 0},   {88, EditorArea::Text, 1},
        {97, EditorArea::Text, 2},   {98, EditorArea::Text, 3},   {400, EditorArea::Text, 3}};
    for (const auto& [x, area, column] : cases) {
        const EditorHit hit = hitEditor(doc, kWidth, x, 3);
        EXPECT_EQ(std::pair(hit.area, hit.column), std::pair(area, column)) << x;
    }
    EXPECT_EQ(hitEditor(doc, kWidth, 100, kEditorRowHeight).line, 1);
    EXPECT_EQ(hitEditor(doc, kWidth, 100, 2 * kEditorRowHeight).area, EditorArea::None);
    EXPECT_EQ(hitEditor(doc, kWidth, 100, -1).area, EditorArea::None);
    doc.editor().setPanelHeight(kEditorRowHeight);
    doc.editor().setFirstVisibleLine(1);
    EXPECT_EQ(hitEditor(doc, kWidth, 100, 0).line, 1);
}

TEST(Cp1252, EveryByteRoundTripsAndOnlyItsCharactersHaveBytes) {
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        EXPECT_EQ(cp1252FromUnicode(unicodeFromCp1252(byte)), byte) << b;
    }
    EXPECT_EQ(unicodeFromCp1252('\x80'), U'€');
    // The C1 control U+0080 is not the euro.
    for (const auto& [c, byte] : std::vector<std::pair<char32_t, std::optional<char>>>{
             {U'è', '\xE8'}, {U'œ', '\x9C'}, {U'\x80', {}}, {U'ā', {}}, {U'中', {}}})
        EXPECT_EQ(cp1252FromUnicode(c), byte) << static_cast<std::uint32_t>(c);
}

TEST_F(EditorLayoutTest, ATakeMarksTheSyllableReachedAtItsPlaceAndABreakInTheGutter) {
    load(" Twin@100,kle@110,|@140, star@150,ry@160,|@170");
    SyncView view;
    view.highlightItem = 4; // "ry" on line 1, after " star"
    view.row = 1;
    view.gutterTick = 160;
    std::vector<EditorMark> marks = syncMarks(doc, kWidth, view, 10);
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(std::tuple(marks[0].x, marks[0].top, marks[0].colour),
              std::tuple(kEditorGutterX, kEditorRowHeight, kSyncGutterColour));
    EXPECT_EQ(std::tuple(marks[1].text, marks[1].x, marks[1].background),
              std::tuple(std::string("ry"), kEditorTextX + 4 + 4 * 7, kSyncHighlightColour));

    view.gutterTick = -1;
    view.highlightItem = 2; // the break closing line 0: its tick in the gutter
    marks = syncMarks(doc, kWidth, view, 10);
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(std::pair(marks[0].top, marks[0].background), std::pair(0, kSyncBreakColour));
    // A line scrolled out of view gives no mark.
    EXPECT_TRUE(syncMarks(doc, kWidth, view, 0).empty());
}

} // namespace
} // namespace cantelo
