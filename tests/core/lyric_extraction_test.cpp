#include "core/song/midi_reader.h"
#include "core/song/midi_song.h"

#include <gtest/gtest.h>

#include <algorithm>
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

    void add(std::uint8_t type, std::int32_t tick, std::string_view s, int chunk) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(s.data());
        song->addTextEvent(type, {p, s.size()}, tick, chunk);
    }
    // Events of one type and chunk written as "text@tick", joined with ','.
    void add(std::uint8_t type, int chunk, std::string_view events) {
        while (!events.empty()) {
            const std::string_view event = events.substr(0, events.find(','));
            events.remove_prefix(std::min(event.size() + 1, events.size()));
            const std::size_t at = event.rfind('@');
            add(type, std::stoi(std::string(event.substr(at + 1))), event.substr(0, at), chunk);
        }
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
    constexpr std::uint8_t kText = 1, kLyric = 5;
    // Soft Karaoke texts start at the first line mark. A header behind a space is still a
    // header; no line has started at 170; tick 100 and below are not lyrics; a lone space is no
    // syllable; the space in front of a mark is dropped.
    add(kText, 0,
        "@KMIDI KARAOKE FILE@0,@LENGL@150, @Ttitle@160,Before any line@170,"
        "/Too early@100,\\First@200,word@210, @220, /Second@230");
    add(kLyric, 1, "early@100,Hel-@101,lo_@110,/Come@120,%comment@130,  @140"); // cleaned
    add(kLyric, 2, "\rIntro@200,Real@210,\rNext@220"); // a line start before any lyric: skipped
    // A chunk keeps the first kind of lyrics it finds.
    add(kText, 3, "/Line@200,more@220");
    add(kLyric, 3, "ignored@210");
    add(kLyric, 4, "sung@200,on@220");
    add(kText, 4, "/ignored@210,plain@215");
    // '>' adds spaces after words from there on: a word before it stays as it is, the sign
    // cleans to nothing, a word ending in '-' gets no space before the '-' goes, nor does a
    // line start.
    add(kLyric, 5, "word@150,>@200,Hel-@210,lo@220,\rNew@230,end @240");
    // A text ends at its first NUL byte.
    add(kLyric, 200, std::string("ab\0cd", 5), 6);
    add(kLyric, 210, std::string("\0x", 2), 6);                     // empty as a C string
    add(kText, 7, "x@240");                                         // no line started
    for (std::uint8_t type : {2, 6, 7}) add(type, 8, "/other@200"); // copyright, marker, cue
    add(kLyric, 511, "far@200");
    add(kLyric, 512, "too far@200");
    add(kLyric, 100000, "way too far@200");
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
