#include "core/view/karaoke_monitor.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace cantelo {
namespace {

using Kind = MonitorPaint::Kind;

// Every character 10 pixels wide at every size: the arithmetic is easy to check by hand.
MonitorCharWidths fixedWidths() {
    return MonitorCharWidths([](int, char32_t) { return 10; });
}

// A text of `lines` lines of two syllables ("aN" and "bN") 100 ticks apart, each line closed by a
// break, starting at tick 1000.
class MonitorTest : public ::testing::Test {
protected:
    void makeText(int lines) {
        TItemLyr& list = m_doc.lyrics();
        double tick = 1000;
        for (int l = 0; l < lines; ++l) {
            list.add("a" + std::to_string(l) + " ", 0, tick);
            list.add("b" + std::to_string(l), 0, tick + 100);
            list.add("", 1, tick + 150);
            tick += 300;
        }
        m_doc.BuildLineList();
        m_monitor.setHasLyricTrack(true);
        m_monitor.setShowLyrics(true);
    }
    double firstSyllableOfLine(int line) const { return 1000 + 300.0 * line; }
    std::string lineText(int line) {
        const std::string* t = m_doc.lineList().get(line);
        return t ? *t : std::string();
    }

    LyricsDocument m_doc;
    MonitorCharWidths m_widths = fixedWidths();
    KaraokeMonitor m_monitor{m_doc, m_widths};
};

TEST(MonitorGeometry, RowsAndSizesFollowTheHeight) {
    const MonitorGeometry g = computeMonitorGeometry(274);
    EXPECT_EQ(std::tuple(g.fontSize, g.lineStep, g.rowY),
              std::tuple(31, 68, std::array<int, 4>{1, 69, 137, 205}));
    // Accented characters have their own widths.
    int asked = 0;
    const MonitorCharWidths w([&](int size, char32_t c) {
        ++asked;
        return c == 0xE8 ? size - 14 : c == 'e' ? 11 : 5;
    });
    EXPECT_EQ(std::pair(w.width(std::string("\xE8") + "e\x01", 31), w.width("e", 31)),
              std::pair(28, 11));
    EXPECT_EQ(asked, 224); // one size measured once
    // In a UTF-8 song "\xC3\xA8" is the same one character.
    EXPECT_EQ(w.width(std::string("\xC3\xA8") + "e", 31, TextEncoding::utf8()), 28);

    // The window keeps the page's shape; drags outside its range do nothing.
    EXPECT_EQ(monitorSizeForWidthDrag(712), (MonitorClientSize{712, 273}));
    EXPECT_FALSE(monitorSizeForWidthDrag(1024));
    EXPECT_EQ(monitorSizeForHeightDrag(274), (MonitorClientSize{712, 274}));
    EXPECT_FALSE(monitorSizeForHeightDrag(107));
    EXPECT_EQ(monitorToggledSize(724, 712, 12), (MonitorClientSize{1008, 387}));
    EXPECT_EQ(monitorToggledSize(1020, 712, 12), (MonitorClientSize{712, 273}));
}

TEST_F(MonitorTest, PagesFlipByHalvesOneHalfAheadOfTheSinger) {
    makeText(10);
    m_monitor.relocate(0);
    const auto shown = [&] { return m_monitor.shownLines(); };
    EXPECT_EQ(shown(),
              (std::array<std::string, 4>{lineText(0), lineText(1), lineText(2), lineText(3)}));

    // Sing up to the last syllable of line 1: the finished line 0 stays, nothing flips.
    for (double t = 0; t <= firstSyllableOfLine(1) + 100; t += 50) m_monitor.update(t, false);
    EXPECT_EQ(std::tuple(m_monitor.currentRow(), m_monitor.sungPrefix(), shown()[0]),
              std::tuple(1, lineText(1), lineText(0)));

    // The first syllable of line 2 turns the upper half to lines 4 and 5.
    for (double t = firstSyllableOfLine(1) + 150; t <= firstSyllableOfLine(2); t += 50)
        m_monitor.update(t, false);
    EXPECT_EQ(m_monitor.currentRow(), 2);
    EXPECT_EQ(shown(),
              (std::array<std::string, 4>{lineText(4), lineText(5), lineText(2), lineText(3)}));

    // The first syllable of line 4 turns the lower half to lines 6 and 7.
    for (double t = firstSyllableOfLine(2); t <= firstSyllableOfLine(4); t += 50)
        m_monitor.update(t, false);
    EXPECT_EQ(shown(),
              (std::array<std::string, 4>{lineText(4), lineText(5), lineText(6), lineText(7)}));
    EXPECT_EQ(std::pair(m_monitor.currentRow(), m_monitor.sungPrefix()),
              std::pair(0, std::string("a4 ")));
}

TEST_F(MonitorTest, EachTimerStepColoursAtMostOneSyllableAtTheRowsLeftEdge) {
    makeText(4);
    // Two syllables 20 ticks apart, both passed by one step: the second waits for the next one.
    lyricItem(m_doc.lyrics(), 1).tick = 1020;
    m_monitor.relocate(0);
    m_monitor.takePaints();

    m_monitor.update(1050, false);
    std::vector<MonitorPaint> p = m_monitor.takePaints();
    ASSERT_EQ(p.size(), 1u);
    // Line "a0 b0" (5 characters, 50 pixels) centred in a 712-pixel window.
    EXPECT_EQ(std::tuple(p[0].kind, p[0].text, p[0].colour, p[0].x, p[0].y),
              std::tuple(Kind::Plain, std::string("a0 "), kMonitorSyllableColour, 356 - 25, 1));

    m_monitor.update(1050, false);
    p = m_monitor.takePaints();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].text, "a0 b0");

    // Nothing moves during a key-tap take or before the title screen has been left.
    m_monitor.update(5000, true);
    m_monitor.setShowLyrics(false);
    m_monitor.update(5000, false);
    EXPECT_TRUE(m_monitor.takePaints().empty());
}

TEST_F(MonitorTest, RelocationReplaysUnpaintedAndAnItemAtThePositionIsColoured) {
    makeText(8);
    // Exactly on line 3's first syllable: the replay stops before it, the final updates colour it.
    m_monitor.relocate(firstSyllableOfLine(3));
    EXPECT_EQ(std::tuple(m_monitor.currentRow(), m_monitor.sungPrefix(), m_monitor.shownLines()[3]),
              std::tuple(3, std::string("a3 "), lineText(3)));

    // One full repaint: the background, four lines, the finished upper line of the lower half
    // fully sung, then the sung prefix.
    const std::vector<MonitorPaint> p = m_monitor.takePaints();
    ASSERT_EQ(p.size(), 7u);
    EXPECT_EQ(p[0].kind, Kind::Background);
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(p[static_cast<std::size_t>(i)].kind, Kind::Outlined);
    EXPECT_EQ(std::pair(p[5].text, p[5].y), std::pair(lineText(2), 137));
    EXPECT_EQ(std::pair(p[6].text, p[6].y), std::pair(std::string("a3 "), 205));
}

TEST_F(MonitorTest, TooWideLineIsSqueezedFromTheLeftMargin) {
    makeText(0);
    m_doc.lyrics().add(std::string(70, 'x'), 0, 1000); // 700 pixels > 712 - 20
    m_doc.lyrics().add("", 1, 1100);
    m_doc.BuildLineList();
    m_monitor.relocate(1000);
    const std::vector<MonitorPaint> p = m_monitor.takePaints();
    ASSERT_GE(p.size(), 3u);
    EXPECT_EQ(std::tuple(p[1].kind, p[1].x, p[1].sung),
              std::tuple(Kind::Squeezed, 10, std::string()));
    EXPECT_EQ(std::pair(p.back().kind, p.back().sung),
              std::pair(Kind::Squeezed, std::string(70, 'x')));
}

} // namespace
} // namespace cantelo
