#include "core/lyrics/lyrics_model.h"

#include "core/lyrics/text_tools.h"
#include "core/song/midi_reader.h"
#include "core/song/midi_song.h"
#include "lyric_items.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace cantelo {
namespace {

using Strings = std::vector<std::string>;

struct Raw {
    std::string text;
    std::int32_t tick;
};

class LyricsModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        song = std::make_unique<CMidiSong>();
        song->reset();
        doc = std::make_unique<LyricsDocument>();
        changes.clear();
        doc->subscribe([this](const LyricsChange& c) { changes.push_back(c); });
    }

    // Text events of one chunk, as a file would hold them (lyric events unless told).
    void lyricEvents(int chunk, const std::vector<Raw>& raw, std::uint8_t type = 5) {
        for (const Raw& r : raw)
            song->addTextEvent(
                type, {reinterpret_cast<const std::uint8_t*>(r.text.data()), r.text.size()}, r.tick,
                chunk);
        song->trackCount = std::max(song->trackCount, chunk);
    }
    // Opens what the song holds: extraction, then the lyric track choice and normalisation.
    void open() {
        doc->reset();
        song->lyricSource = {};
        extractLyrics(*song, doc->trackTextLists());
        doc->chooseLyricTrack(*song);
    }
    // Numbered words "w0 ", "w1 " ... at 200, 300 ...: a chunk that is surely chosen.
    static std::vector<Raw> words(int n) {
        std::vector<Raw> out;
        for (int i = 0; i < n; ++i) out.push_back({"w" + std::to_string(i) + " ", 200 + 100 * i});
        return out;
    }
    Strings lines() {
        Strings out;
        for (int i = 0; i < doc->lineCount(); ++i) out.push_back(*doc->lineList().get(i));
        return out;
    }
    // The song's text events as "type:tick:text"; only the lyric events with `lyricsOnly`.
    Strings songTexts(bool lyricsOnly = false) const {
        Strings out;
        for (const auto& t : song->data().texts)
            if (!lyricsOnly || t.type == 5)
                out.push_back(std::to_string(t.type) + ":" + std::to_string(t.tick) + ":" +
                              std::string(t.data.begin(), t.data.end()));
        return out;
    }

    std::unique_ptr<CMidiSong> song;
    std::unique_ptr<LyricsDocument> doc;
    std::vector<LyricsChange> changes;
};

// ---- choosing the lyric track ------------------------------------------------------------

TEST_F(LyricsModelTest, SongWithoutALyricTrackGetsThirtySixEmptyLinesInChunkZero) {
    lyricEvents(1, words(9)); // nine syllables are not a lyric track
    open();
    ASSERT_EQ(doc->lyrics().count(), 36);
    // 36 breaks close 36 lines and leave an empty last one.
    EXPECT_EQ(std::tuple(doc->lyricTrack(), doc->lyrics().head()->tick, doc->lyrics().tail()->tick,
                         doc->lineCount(), doc->trackTextList(1).count()),
              std::tuple(0, 100.0, 1150.0, 37, 0));
    EXPECT_TRUE(!changes.empty() && changes.back().scrollToTop);
}

TEST_F(LyricsModelTest, WordsThenLengthThenOrderChooseTheLyricTrack) {
    std::vector<Raw> letters;
    for (int i = 0; i < 30; ++i) letters.push_back({std::string(1, char('a' + i % 26)), 200 + i});
    const struct {
        const char* what;
        std::vector<std::vector<Raw>> chunks; // chunks 1, 2, ...
        int chosen;
    } cases[] = {
        {"a track with words beats a longer one without", {letters, words(12)}, 2},
        {"the longer wins, the first wins a tie", {words(12), words(15), words(15)}, 2},
    };
    for (const auto& c : cases) {
        SetUp();
        for (std::size_t k = 0; k < c.chunks.size(); ++k)
            lyricEvents(static_cast<int>(k) + 1, c.chunks[k]);
        open();
        EXPECT_EQ(doc->lyricTrack(), c.chosen) << c.what;
        for (int k = 1; k <= static_cast<int>(c.chunks.size()); ++k)
            EXPECT_TRUE(k == c.chosen || doc->trackTextList(k).count() == 0) << c.what << k;
    }
}

// ---- normalisation -----------------------------------------------------------------------

TEST_F(LyricsModelTest, LineMarksBecomeOneBreakAfterTheLastSyllable) {
    // Repeated or leading marks give one break, five ticks after the line's last syllable.
    const std::pair<const char*, const char*> cases[] = {
        {"\\Hel@200,lo@250.7,/world@400", "Hel@200,lo@250,|@255,world@400"},
        {"One @200,\r@210,\r@220,\r\r two@230,three\r@240,\r@250,four@260",
         "One@200,|@205,two@230,three@240,|@245,four@260"},
    };
    for (const auto& [in, out] : cases) {
        setItems(doc->lyrics(), in);
        doc->NormaliseImportedLyrics();
        doc->PlaceLineBreaks();
        EXPECT_EQ(joinedItems(doc->lyrics()), out) << in;
    }
}

TEST_F(LyricsModelTest, LongLinesBreakAtWordBoundariesAndTextsAreKeptWhole) {
    // A line over 33 characters breaks after the syllable that ends a word when only its space
    // is over, before one that begins a word, or before the whole word it is inside: no line is
    // left that a second opening would wrap again.
    const std::string seventy(70, 'x');
    const std::pair<std::string, Strings> cases[] = {
        {"aaaaaaa @200,bbbbbbb @300,ccccccc @400,ddddddd @500,eeeee @600,ff@700",
         {"aaaaaaa bbbbbbb ccccccc ddddddd", "eeeee ff"}},
        {"aaaaaaa @200,bbbbbbb @300,ccccccc @400,ddddddddd @500,ee@600",
         {"aaaaaaa bbbbbbb ccccccc ddddddddd", "ee"}},
        {"aaaaaaa@200,aaaaaaa@300,aaaaaaa@400,aaaaaaa@500, bbbbb@600,cc@700",
         {"aaaaaaaaaaaaaaaaaaaaaaaaaaaa", "bbbbbcc"}},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaa@200, bb@300,bb@400,bb@500,x@600",
         {"aaaaaaaaaaaaaaaaaaaaaaaaaaa", "bbbbbbx"}},
        {seventy + "@200,_@300,lo@400", {seventy, "lo"}}, // "_" cleans to nothing and goes
    };
    for (const auto& [in, out] : cases) {
        setItems(doc->lyrics(), in);
        doc->NormaliseImportedLyrics();
        doc->BuildLineList();
        EXPECT_EQ(lines(), out) << in;
    }
}

// Whatever the file's markers, the lyric list that an open makes comes back the same when it is
// handed to the song and read again: the saved file keeps its lyrics.
TEST_F(LyricsModelTest, HandedOverLyricsReadBackToTheSameList) {
    std::vector<Raw> raw;
    int tick = 180;
    // clang-format off
    for (const char* text : {"/Come ", "a", "way, ", "this is a longer phrase",
                             "and another long phrase", "then\r", "\\more words here\r", "super",
                             "cali", "fragi", "listic", "expiali", "docious", "end", "\r", "\r",
                             "ing ", "x_", "y-", "<z|"})
        // clang-format on
        raw.push_back({text, tick += 20});
    lyricEvents(1, raw);
    open();
    doc->TidyLyrics();
    const Strings first = itemsOf(doc->lyrics());
    const Strings firstLines = lines();

    doc->handOverLyrics(*song);
    open();
    doc->TidyLyrics();
    EXPECT_EQ(std::pair(itemsOf(doc->lyrics()), lines()), std::pair(first, firstLines));
}

// Line lengths count characters of the song's encoding: accented UTF-8 words wrap on open, warn
// on save and adapt exactly where the same words in Windows-1252 do, and a saved song reopens to
// the same lines.
TEST_F(LyricsModelTest, LineLimitsCountCharactersOfTheSongsEncoding) {
    // 33 characters in 40 UTF-8 bytes, then one more word.
    const std::u32string words[] = {U"perch\u00E9 ", U"citt\u00E0 ", U"pi\u00F9 ", U"cos\u00EC ",
                                    U"gi\u00E0 ",    U"per\u00F2 ",  U"l\u00E0 ",  U"fine "};
    const auto linesIn = [&](const TextEncoding& encoding) {
        std::vector<Raw> raw;
        for (int round = 0; round < 2; ++round)
            for (const std::u32string& w : words)
                raw.push_back({*encoding.encode(w), 200 + 100 * static_cast<int>(raw.size())});
        SetUp();
        lyricEvents(1, raw);
        doc->reset();
        doc->setTextEncoding(encoding);
        extractLyrics(*song, doc->trackTextLists());
        doc->chooseLyricTrack(*song);
        Strings out = lines();
        EXPECT_FALSE(doc->handOverLyrics(*song)) << encoding.label();
        const TextEncoding kept = doc->textEncoding();
        doc->reset();
        doc->setTextEncoding(kept);
        extractLyrics(*song, doc->trackTextLists());
        doc->chooseLyricTrack(*song);
        EXPECT_EQ(lines(), out) << encoding.label();
        EXPECT_EQ(AdaptTextToWindow(doc->lyrics(), encoding), 0) << encoding.label();
        for (std::string& line : out) line = toUtf8(line, encoding);
        return out;
    };
    const Strings utf8 = linesIn(TextEncoding::utf8());
    EXPECT_EQ(utf8[0],
              "perch\xC3\xA9 citt\xC3\xA0 pi\xC3\xB9 cos\xC3\xAC gi\xC3\xA0 per\xC3\xB2 l\xC3\xA0");
    EXPECT_EQ(utf8, linesIn(TextEncoding()));
    // One character more warns.
    lyricItem(doc->lyrics(), 0).text.insert(0, "\xE9");
    EXPECT_TRUE(doc->handOverLyrics(*song));
}

// ---- tidy-up, lines, padding -------------------------------------------------------------

TEST_F(LyricsModelTest, TidyMakesTicksRiseCollapsesBreaksAndPadsToThirtySixLines) {
    setItems(doc->lyrics(), "|@50,a@100,b@100,c@90,|@0,|@0,d@112");
    doc->TidyLyrics();
    EXPECT_EQ(joinedItems(doc->lyrics()).substr(0, 30), "a@100,b@105,c@110,|@115,d@120,");
    EXPECT_EQ(doc->lineCount(), 36);

    // The next line starts 2 ticks after the last syllable: a break placed 5 ticks after that
    // syllable would be saved after the next line's first syllable.
    setItems(doc->lyrics(), "a@200,|@201,b@202,c@300");
    doc->TidyLyrics();
    double previous = -1;
    for (const LyrItem* it = doc->lyrics().head(); it; it = it->next) {
        EXPECT_GT(static_cast<int>(it->tick), static_cast<int>(previous));
        previous = it->tick;
    }
    EXPECT_EQ(lines()[0], "a");
    EXPECT_EQ(lines()[1], "bc");

    setItems(doc->lyrics(), "|@300,|@400");
    doc->TidyLyrics();
    EXPECT_EQ(std::tuple(doc->lyrics().count(), doc->lyrics().head()->tick, doc->lineCount()),
              std::tuple(36, 100.0, 37));
}

TEST_F(LyricsModelTest, LinesCloseAtBreaksAndPaddingContinuesFromTheLastTick) {
    setItems(doc->lyrics(), " Hel@200,lo@300,|@305, world@400");
    doc->BuildLineList();
    EXPECT_EQ(lines(), (Strings{" Hello", " world"}));
    // Each line knows the index of the item that closes it.
    const auto closer = [&](int i) {
        return doc->lineList().item(i) ? doc->lineList().item(i)->value : -1;
    };
    EXPECT_EQ(std::tuple(closer(0), closer(1), doc->lineStartTick(1)), std::tuple(2, 4, 400));

    doc->PadLines();
    EXPECT_EQ(doc->lineCount(), 36);
    // Lines 2..35 are new: a break at 400 + 30·i closes each line before.
    EXPECT_EQ(std::tuple(lyricItem(doc->lyrics(), 4).tick, doc->lineStartTick(35),
                         doc->lineStartTick(36)),
              std::tuple(400.0 + 30 * 2, 400 + 30 * 35, -1));
    doc->appendEmptyLine();
    EXPECT_EQ(doc->lyrics().tail()->tick, 400 + 30 * 36);
}

// ---- save hand-over ----------------------------------------------------------------------

TEST_F(LyricsModelTest, HandOverReplacesOnlyTheExtractedLyricEvents) {
    for (const auto& [text, tick, type] :
         {std::tuple{"@TTitle", 0, 1}, {"early", 50, 5}, {"(c) someone", 0, 2}, {"Verse", 300, 6}})
        lyricEvents(0, {{text, tick}}, static_cast<std::uint8_t>(type));
    lyricEvents(1, words(10));
    lyricEvents(1, {{"%comment", 2000}});
    open();
    const std::size_t before = song->data().texts.size();
    EXPECT_FALSE(doc->handOverLyrics(*song));

    const Strings texts = songTexts();
    for (const std::string kept :
         {"1:0:@TTitle", "5:50:early", "2:0:(c) someone", "6:300:Verse", "5:2000:%comment"})
        EXPECT_NE(std::find(texts.begin(), texts.end(), kept), texts.end()) << kept;
    // The ten syllables, then a break for each padding line; the two kept lyric events.
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "5:200:w0 "), 1);
    EXPECT_EQ(songTexts(true).size(), 10u + 35u + 2u);

    // A second save replaces the first one's events instead of adding to them.
    doc->handOverLyrics(*song);
    EXPECT_TRUE(songTexts() == texts && song->data().texts.size() == before - 10 + 45);
}

TEST_F(LyricsModelTest, HandOverWritesEarlyItemsFromTick101AndReportsLongLines) {
    setItems(doc->lyrics(), "|@10,a@0,b@40,c@100,d@108,e@400");
    EXPECT_FALSE(doc->handOverLyrics(*song));
    // The leading break is not written: the reader skips it anyway.
    EXPECT_EQ(songTexts(true), (Strings{"5:101:a", "5:106:b", "5:111:c", "5:116:d", "5:400:e"}));

    // A line over 33 characters is reported, and every syllable is still written.
    setItems(doc->lyrics(), std::string(20, 'a') + "@200," + std::string(13, 'b') + "@300");
    EXPECT_FALSE(doc->handOverLyrics(*song));
    setItems(doc->lyrics(), std::string(20, 'a') + "@200," + std::string(14, 'b') + "@300");
    EXPECT_TRUE(doc->handOverLyrics(*song));
    EXPECT_EQ(songTexts(true).size(), 2u);
}

TEST_F(LyricsModelTest, EditsTellEverySubscribedViewUntilItLeaves) {
    setItems(doc->lyrics(), "a@200");
    int other = 0;
    const int id = doc->subscribe([&other](const LyricsChange&) { ++other; });
    doc->TidyLyrics();
    doc->unsubscribe(id);
    doc->refresh(0, 0);
    EXPECT_EQ(other, 1);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_TRUE(changes[0].movePosition);
}

} // namespace
} // namespace cantelo
