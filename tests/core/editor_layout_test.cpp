#include "core/view/editor_layout.h"

#include "core/document/editor_document.h"
#include "core/lyrics/cp1252.h"
#include "core/timing/tempo_map.h"
#include "lyric_items.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace cantelo {
namespace {

namespace fs = std::filesystem;

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
    void openCorpusSong() {
        const fs::path song = fs::path(CANTELO_CORPUS_DIR) / "dmp__twinkle.kar";
        if (!fs::exists(song)) GTEST_SKIP() << "no corpus at " << CANTELO_CORPUS_DIR;
        ASSERT_TRUE(doc.open(song.string()));
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
    const EditorRow& row = l.rows.at(0);
    EXPECT_EQ(row.text, " Twinkle  little");
    std::vector<std::pair<char, int>> letters;
    for (const EditorStartLetter& s : row.startLetters) {
        EXPECT_EQ(row.text.at(static_cast<std::size_t>(s.column)), s.letter);
        letters.emplace_back(s.letter, s.x);
    }
    // T after one space; k after " Twin" (4+7+7+3+7); l after " Twinkle  " (+7+7+7+4+4), t
    // after " Twinkle  lit" (+7+3+7).
    EXPECT_EQ(letters,
              (std::vector<std::pair<char, int>>{{'T', 84}, {'k', 108}, {'l', 137}, {'t', 154}}));
    EXPECT_EQ(l.rows.at(1).startLetters.size(), 1u);
    EXPECT_EQ(l.rows.at(1).startLetters[0].x, kEditorTextX + 4);
}

TEST_F(EditorLayoutTest, CursorLineIsGreenBlueAfterScrollingAndTheMarkerLightsTheStartLine) {
    load("ab@100,|@110,cd@120,|@130,ef@140");
    doc.editor().setCursor(1, 2); // after the line's end
    doc.editor().setBindStartLine(2);
    EditorLayout l = layout();
    ASSERT_GE(l.rows.size(), 3u);
    EXPECT_EQ(l.rows[0].startLetterColour, kStartLetterColour);
    EXPECT_EQ(l.rows[1].startLetterColour, kCurrentStartLetterColour);
    EXPECT_EQ(l.rows[2].startLetterColour, kStartLetterColour);
    EXPECT_FALSE(l.rows[1].markerLit);
    EXPECT_TRUE(l.rows[2].markerLit);
    // The cursor past the end stands on a space right of the text, in the current row.
    ASSERT_TRUE(l.cursor);
    EXPECT_EQ(l.cursor->letter, ' ');
    EXPECT_EQ(l.cursor->x, kEditorTextX + 14);
    EXPECT_EQ(l.cursor->width, 4);
    EXPECT_EQ(l.cursor->top, kEditorRowHeight + 1);
    EXPECT_EQ(layout(10 * kEditorRowHeight, true).rows[1].startLetterColour,
              kScrolledStartLetterColour);

    // Scrolled past the cursor line: no cursor cell, and the rows start at the first visible
    // line.
    doc.editor().setPanelHeight(kEditorRowHeight);
    doc.editor().setFirstVisibleLine(2);
    l = layout(kEditorRowHeight);
    ASSERT_EQ(l.rows.size(), 1u);
    EXPECT_EQ(l.rows[0].line, 2);
    EXPECT_FALSE(l.cursor);
}

TEST_F(EditorLayoutTest, GutterShowsPositionsAndTheRowAfterAFinalBreakItsTickPlusTen) {
    openCorpusSong();
    load("la@960,|@970, la@1200,|@1210");
    // Two whole rows and a partial one: the rows cover the panel, the third past the text.
    const EditorLayout l = layout(2 * kEditorRowHeight + 7);
    ASSERT_EQ(l.rows.size(), 3u);
    EXPECT_EQ(l.rows[0].gutter, positionText(doc.song(), 960));
    EXPECT_EQ(l.rows[1].gutter, positionText(doc.song(), 1200));
    EXPECT_EQ(l.rows[2].gutter, positionText(doc.song(), 1220));
    EXPECT_EQ(l.rows[2].text, "");
    EXPECT_EQ(l.rows[2].top, 2 * kEditorRowHeight);

    load("la@960,|@970");
    const EditorLayout under = layout(4 * kEditorRowHeight);
    EXPECT_EQ(under.rows.size(), 4u);
    EXPECT_EQ(under.rows[2].line, -1); // a rule only
    EXPECT_TRUE(under.rows[2].gutter.empty());
}

TEST_F(EditorLayoutTest, WithoutASongTheRowsAreNumberedByLine) {
    load("a@100,|@110,b@120,|@130,c@140");
    doc.editor().setPanelHeight(kEditorRowHeight);
    doc.editor().setFirstVisibleLine(1);
    const EditorLayout l = layout(2 * kEditorRowHeight);
    ASSERT_EQ(l.rows.size(), 2u);
    EXPECT_EQ(l.rows[0].gutter, "0002.01.000");
    EXPECT_EQ(l.rows[1].gutter, "0003.01.000");
}

TEST_F(EditorLayoutTest, HitTestAreasAndColumnsAtTheirEdges) {
    load("Lit@100,|@110,x@120");
    const auto area = [this](int x) { return hitEditor(doc, kWidth, x, 3).area; };
    EXPECT_EQ(area(0), EditorArea::Gutter);
    EXPECT_EQ(area(67), EditorArea::Gutter);
    EXPECT_EQ(area(68), EditorArea::Marker);
    EXPECT_EQ(area(75), EditorArea::Marker);
    EXPECT_EQ(area(76), EditorArea::None);
    EXPECT_EQ(area(77), EditorArea::None);
    EXPECT_EQ(area(78), EditorArea::Text);

    // "Lit": L ends at 87, i at 90, t at 97. A character is hit until x passes its right edge.
    const auto column = [this](int x) { return hitEditor(doc, kWidth, x, 3).column; };
    EXPECT_EQ(column(78), 0);
    EXPECT_EQ(column(87), 0);
    EXPECT_EQ(column(88), 1);
    EXPECT_EQ(column(90), 1);
    EXPECT_EQ(column(97), 2);
    EXPECT_EQ(column(98), 3); // after the line
    EXPECT_EQ(column(400), 3);

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
    EXPECT_EQ(cp1252FromUnicode(U'è'), '\xE8');
    EXPECT_EQ(cp1252FromUnicode(U'œ'), '\x9C');
    EXPECT_EQ(cp1252FromUnicode(U'\x80'), std::nullopt); // the C1 control is not the euro
    EXPECT_EQ(cp1252FromUnicode(U'ā'), std::nullopt);
    EXPECT_EQ(cp1252FromUnicode(U'中'), std::nullopt);
}

} // namespace
} // namespace cantelo
