#include "core/song/midi_reader.h"
#include "core/song/midi_song.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace cantelo {
namespace {

TEST(CleanLyricText, FollowsTheKaraokeMarkers) {
    // '_' goes first, then '-'; of two trailing '_' one goes and the other becomes a space; a
    // line end alone stays a line mark.
    // clang-format off
    const std::pair<std::string, std::string> cases[] = {
        {"Hel-", "Hel"}, {"lo_", "lo"}, {"wo-_", "wo"}, {"x__", "x "}, {"/Come", "\rCome"},
        {"\\Verse", "\rVerse"}, {"<Line", "\rLine"}, {" /Come", "\rCome"}, {"end|", "end\r"},
        {"end\n", "end\r"}, {"a_b|c<d>e", "a bc d e"}, {"word   ", "word "}, {" ", ""}, {"_", ""},
        {">", ""}, {"", ""}, {"\r", "\r"}, {"|", "\r"}};
    // clang-format on
    for (const auto& [in, out] : cases) EXPECT_EQ(cleanLyricText(in), out) << '"' << in << '"';
}

class LyricExtractionTest : public ::testing::Test {
protected:
    void SetUp() override {
        song = std::make_unique<CMidiSong>();
        song->reset(); // its credit text at tick 0 must never become a lyric
        lists = std::make_unique<std::array<TItemLyr, 512>>();
    }

    void text(std::int32_t tick, std::string_view s, int chunk = 0) { add(1, tick, s, chunk); }
    void lyric(std::int32_t tick, std::string_view s, int chunk = 0) { add(5, tick, s, chunk); }
    void add(std::uint8_t type, std::int32_t tick, std::string_view s, int chunk) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(s.data());
        song->addTextEvent(type, {p, s.size()}, tick, chunk);
    }

    // Items of chunk k as "text@tick".
    std::vector<std::string> items(int k = 0) {
        extractOnce();
        std::vector<std::string> out;
        TItemLyr& l = (*lists)[static_cast<std::size_t>(k)];
        for (LyrItem* it = l.head(); it; it = it->next) {
            EXPECT_EQ(it->lineBreak, 0);
            out.push_back(it->text + "@" + std::to_string(static_cast<int>(it->tick)));
        }
        return out;
    }
    LyricSource source(int k = 0) {
        extractOnce();
        return song->lyricSource[static_cast<std::size_t>(k)];
    }
    void extractOnce() {
        if (m_extracted) return;
        extractLyrics(*song, *lists);
        m_extracted = true;
    }

    std::unique_ptr<CMidiSong> song;
    std::unique_ptr<std::array<TItemLyr, 512>> lists;

private:
    bool m_extracted = false;
};

using Items = std::vector<std::string>;

// Each chunk keeps its own lyric state, so every case gets a chunk of its own.
TEST_F(LyricExtractionTest, EachChunkFollowsItsOwnMarkers) {
    // Soft Karaoke texts start at the first line mark.
    text(0, "@KMIDI KARAOKE FILE");
    text(150, "@LENGL");
    text(160, " @Ttitle");        // a header behind a space is still a header
    text(170, "Before any line"); // no line started yet
    text(100, "/Too early");      // tick 100 and below are not lyrics
    text(200, "\\First");
    text(210, "word");
    text(220, " ");        // a lone space is no syllable
    text(230, " /Second"); // the space in front of the mark is dropped
    // Lyric events are cleaned.
    lyric(100, "early", 1);
    lyric(101, "Hel-", 1);
    lyric(110, "lo_", 1);
    lyric(120, "/Come", 1);
    lyric(130, "%comment", 1);
    lyric(140, "  ", 1);
    // A line start before any lyric is skipped.
    lyric(200, "\rIntro", 2);
    lyric(210, "Real", 2);
    lyric(220, "\rNext", 2);
    // A chunk keeps the first kind of lyrics it finds.
    text(200, "/Line", 3);
    lyric(210, "ignored", 3);
    text(220, "more", 3);
    lyric(200, "sung", 4);
    text(210, "/ignored", 4);
    text(215, "plain", 4);
    lyric(220, "on", 4);
    // '>' adds spaces after words from there on.
    lyric(150, "word", 5); // before the sign: as it is
    lyric(200, ">", 5);    // sets the mode; cleans to nothing itself
    lyric(210, "Hel-", 5); // ends in '-': no space, then the '-' goes
    lyric(220, "lo", 5);
    lyric(230, "\rNew", 5); // a line start gets no space
    lyric(240, "end ", 5);
    // A text ends at its first NUL byte.
    lyric(200, std::string("ab\0cd", 5), 6);
    lyric(210, std::string("\0x", 2), 6); // empty as a C string
    text(240, "x", 7);                    // no line started
    add(2, 200, "/copyright", 8);
    add(6, 200, "/marker", 8);
    add(7, 200, "/cue", 8);
    lyric(200, "far", 511);
    lyric(200, "too far", 512);
    lyric(200, "way too far", 100000);

    EXPECT_EQ(items(0), (Items{"\\First@200", "word@210", "/Second@230"}));
    EXPECT_EQ(source(0), LyricSource::Text);
    EXPECT_EQ(items(1), (Items{"Hel@101", "lo@110", "\rCome@120"}));
    EXPECT_EQ(source(1), LyricSource::Lyr);
    EXPECT_EQ(items(2), (Items{"Real@210", "\rNext@220"}));
    EXPECT_EQ(items(3), (Items{"/Line@200", "more@220"}));
    EXPECT_EQ(source(3), LyricSource::Text);
    EXPECT_EQ(items(4), (Items{"sung@200", "on@220"}));
    EXPECT_EQ(source(4), LyricSource::Lyr);
    EXPECT_EQ(items(5), (Items{"word@150", "Hel@210", "lo @220", "\rNew@230", "end @240"}));
    EXPECT_EQ(items(6), (Items{"ab@200"}));
    for (int k : {7, 8}) {
        EXPECT_TRUE(items(k).empty()) << k;
        EXPECT_EQ(source(k), LyricSource::Undecided) << k;
    }
    EXPECT_EQ(items(511), (Items{"far@200"}));
}

} // namespace
} // namespace cantelo
