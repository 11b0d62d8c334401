#include "core/lyrics/lyrics_model.h"

#include "lyric_items.h"
#include "core/song/midi_reader.h"
#include "core/song/midi_song.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace cantelo {
namespace {

struct Raw {
    std::string text;
    double tick;
};

std::vector<std::string> linesOf(LyricsDocument& doc) {
    std::vector<std::string> out;
    for (int i = 0; i < doc.lineCount(); ++i) {
        const std::string* text = doc.lineList().get(i);
        out.push_back(text ? *text : "(none)");
    }
    return out;
}

// Index of the lyric item that closes line i.
double lineEnd(LyricsDocument& doc, int i) {
    const KLItem* line = doc.lineList().item(i);
    return line ? line->value : -1;
}

class LyricsModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        song = std::make_unique<CMidiSong>();
        song->reset();
        doc = std::make_unique<LyricsDocument>();
        doc->subscribe([this](const LyricsChange& c) { changes.push_back(c); });
    }

    // Lyric events (type 5) of one chunk, as a file would hold them.
    void lyricEvents(int chunk, const std::vector<Raw>& raw, std::uint8_t type = 5) {
        for (const Raw& r : raw) {
            song->addTextEvent(
                type, {reinterpret_cast<const std::uint8_t*>(r.text.data()), r.text.size()},
                static_cast<std::int32_t>(r.tick), chunk);
        }
        song->trackCount = std::max(song->trackCount, chunk);
    }
    // Opens what the song holds: extraction, then the lyric track choice and normalisation.
    void open() {
        doc->reset();
        for (int k = 0; k < kLyricChunks; ++k) song->lyricSource[static_cast<std::size_t>(k)] = {};
        extractLyrics(*song, doc->trackTextLists());
        doc->chooseLyricTrack(*song);
    }
    // Items straight into the lyric list, bypassing extraction.
    void items(const std::vector<Raw>& raw, std::uint8_t lineBreak = 0) {
        for (const Raw& r : raw) doc->lyrics().add(r.text, lineBreak, r.tick);
    }
    // Numbered syllables "s1 ", "s2 " ... at 200, 300 ...: a chunk that is surely chosen.
    static std::vector<Raw> words(int n, int firstTick = 200) {
        std::vector<Raw> out;
        for (int i = 0; i < n; ++i)
            out.push_back({"w" + std::to_string(i) + " ", firstTick + 100.0 * i});
        return out;
    }
    std::vector<std::string> lyricTexts() const {
        std::vector<std::string> out;
        for (const auto& t : song->data().texts)
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
    EXPECT_EQ(doc->lyricTrack(), 0);
    EXPECT_EQ(doc->lyricMetaType(), 5);
    ASSERT_EQ(doc->lyrics().count(), 36);
    EXPECT_EQ(doc->lyrics().head()->tick, 100);
    EXPECT_EQ(doc->lyrics().tail()->tick, 1150);
    EXPECT_EQ(doc->lineCount(), 37); // 36 breaks close 36 lines and leave an empty last one
    EXPECT_EQ(doc->trackTextList(1).count(), 0);
    ASSERT_FALSE(changes.empty());
    EXPECT_TRUE(changes.back().scrollToTop);
}

TEST_F(LyricsModelTest, WordsThenLengthThenOrderChooseTheLyricTrack) {
    std::vector<Raw> letters;
    for (int i = 0; i < 30; ++i) letters.push_back({std::string(1, char('a' + i % 26)), 200.0 + i});
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
        for (int k = 1; k <= static_cast<int>(c.chunks.size()); ++k) {
            if (k != c.chosen) {
                EXPECT_EQ(doc->trackTextList(k).count(), 0) << c.what;
            }
        }
    }
}

// ---- normalisation -----------------------------------------------------------------------

// Line marks become breaks five ticks after the line's last syllable; repeated or leading marks
// give one break.
TEST_F(LyricsModelTest, LineMarksBecomeOneBreakAfterTheLastSyllable) {
    const struct {
        std::vector<Raw> in;
        std::vector<std::string> out;
    } cases[] = {
        {{{"\\Hel", 200}, {"lo", 250.7}, {"/world", 400}},
         {"Hel@200", "lo@250", "|@255", "world@400"}},
        {{{"One ", 200},
          {"\r", 210},
          {"\r", 220},
          {"\r\r two", 230},
          {"three\r", 240},
          {"\r", 250},
          {"four", 260}},
         {"One@200", "|@205", "two@230", "three@240", "|@245", "four@260"}},
    };
    for (const auto& c : cases) {
        doc->lyrics().clear();
        items(c.in);
        doc->NormaliseImportedLyrics();
        doc->PlaceLineBreaks();
        EXPECT_EQ(itemsOf(doc->lyrics()), c.out) << c.in[0].text;
    }
}

// A line over 33 characters breaks after the syllable that ends a word, before one that begins
// a word, or before the whole word it is inside.
TEST_F(LyricsModelTest, LongLinesBreakAtWordBoundaries) {
    const struct {
        std::vector<Raw> in;
        std::vector<std::string> lines;
    } cases[] = {
        {{{"aaaaaaa ", 200},
          {"bbbbbbb ", 300},
          {"ccccccc ", 400},
          {"ddddddd ", 500},
          {"eeeee ", 600},
          {"ff", 700}},
         {"aaaaaaa bbbbbbb ccccccc ddddddd eeeee", "ff"}},
        {{{"aaaaaaa", 200},
          {"aaaaaaa", 300},
          {"aaaaaaa", 400},
          {"aaaaaaa", 500},
          {" bbbbb", 600},
          {"cc", 700}},
         {"aaaaaaaaaaaaaaaaaaaaaaaaaaaa", "bbbbbcc"}},
        {{{"aaaaaaaaaaaaaaaaaaaaaaaaaaa", 200}, {" bb", 300}, {"bb", 400}, {"bb", 500}, {"x", 600}},
         {"aaaaaaaaaaaaaaaaaaaaaaaaaaa", "bbbbbbx"}},
    };
    for (const auto& c : cases) {
        doc->lyrics().clear();
        items(c.in);
        doc->NormaliseImportedLyrics();
        doc->BuildLineList();
        EXPECT_EQ(linesOf(*doc), c.lines) << c.in[0].text;
    }
}

TEST_F(LyricsModelTest, TextsAreKeptWholeAndEmptyOnesDropped) {
    const std::string seventy(70, 'x');
    items({{seventy, 200}, {"_", 300}, {"lo", 400}});
    doc->NormaliseImportedLyrics();
    doc->BuildLineList();
    EXPECT_EQ(linesOf(*doc), (std::vector<std::string>{seventy, "lo"}));
    EXPECT_EQ(doc->lyrics().count(), 3);
}

// Whatever the file's markers, the lyric list that an open makes comes back the same when it is
// handed to the song and read again: the saved file keeps its lyrics.
TEST_F(LyricsModelTest, HandedOverLyricsReadBackToTheSameList) {
    lyricEvents(1, {{"/Come ", 200},
                    {"a", 220},
                    {"way, ", 240},
                    {"this is a longer phrase", 260},
                    {"and another long phrase", 280},
                    {"then\r", 300},
                    {"\\more words here\r", 320},
                    {"super", 340},
                    {"cali", 360},
                    {"fragi", 380},
                    {"listic", 400},
                    {"expiali", 420},
                    {"docious", 440},
                    {"end", 460},
                    {"\r", 470},
                    {"\r", 480},
                    {"ing ", 490},
                    {"x_", 500},
                    {"y-", 510},
                    {"<z|", 520}});
    open();
    doc->TidyLyrics();
    const auto first = itemsOf(doc->lyrics());
    const auto firstLines = linesOf(*doc);

    doc->handOverLyrics(*song);
    open();
    doc->TidyLyrics();
    EXPECT_EQ(itemsOf(doc->lyrics()), first);
    EXPECT_EQ(linesOf(*doc), firstLines);
}

// ---- tidy-up, lines, padding -------------------------------------------------------------

TEST_F(LyricsModelTest, TidyMakesTicksRiseAndCollapsesBreaks) {
    items({{"", 50}}, 1);
    items({{"a", 100}, {"b", 100}, {"c", 90}});
    items({{"", 0}, {"", 0}}, 1);
    items({{"d", 112}});
    doc->TidyLyrics();
    const auto all = itemsOf(doc->lyrics());
    ASSERT_GE(all.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(all.begin(), all.begin() + 5),
              (std::vector<std::string>{"a@100", "b@105", "c@110", "|@115", "d@120"}));
    EXPECT_EQ(doc->lineCount(), 36);
}

TEST_F(LyricsModelTest, TidyKeepsEveryBreakBeforeTheNextLinesFirstSyllable) {
    // The next line starts 2 ticks after the last syllable: a break placed 5 ticks after that
    // syllable would be saved after the next line's first syllable.
    items({{"a", 200}});
    items({{"", 201}}, 1);
    items({{"b", 202}, {"c", 300}});
    doc->TidyLyrics();
    double previous = -1;
    for (const LyrItem* it = doc->lyrics().head(); it; it = it->next) {
        EXPECT_GT(static_cast<int>(it->tick), static_cast<int>(previous));
        previous = it->tick;
    }
    EXPECT_EQ(linesOf(*doc)[0], "a");
    EXPECT_EQ(linesOf(*doc)[1], "bc");
}

TEST_F(LyricsModelTest, EmptyListIsTidiedToThirtySixEmptyLines) {
    items({{"", 300}, {"", 400}}, 1);
    doc->TidyLyrics();
    EXPECT_EQ(doc->lyrics().count(), 36);
    EXPECT_EQ(doc->lyrics().head()->tick, 100);
    EXPECT_EQ(doc->lineCount(), 37);
}

TEST_F(LyricsModelTest, LinesCloseAtBreaksAndPaddingContinuesFromTheLastTick) {
    items({{" Hel", 200}, {"lo", 300}});
    items({{"", 305}}, 1);
    items({{" world", 400}});
    doc->BuildLineList();
    ASSERT_EQ(doc->lineCount(), 2);
    EXPECT_EQ(linesOf(*doc), (std::vector<std::string>{" Hello", " world"}));
    EXPECT_EQ(lineEnd(*doc, 0), 2);
    EXPECT_EQ(lineEnd(*doc, 1), 4);
    EXPECT_EQ(doc->lineStartTick(1), 400);

    doc->PadLines();
    EXPECT_EQ(doc->lineCount(), 36);
    // Lines 2..35 are new: a break at 400 + 30·i closes each line before.
    EXPECT_EQ(lyricItem(doc->lyrics(), 4).tick, 400 + 30 * 2);
    EXPECT_EQ(doc->lyrics().tail()->tick, 400 + 30 * 35);
    EXPECT_EQ(doc->lineStartTick(35), 400 + 30 * 35);
    EXPECT_EQ(doc->lineStartTick(36), -1);

    doc->appendEmptyLine();
    EXPECT_EQ(doc->lyrics().tail()->tick, 400 + 30 * 36);
}

// ---- save hand-over ----------------------------------------------------------------------

TEST_F(LyricsModelTest, HandOverReplacesOnlyTheExtractedLyricEvents) {
    lyricEvents(0, {{"@TTitle", 0}}, 1);
    lyricEvents(0, {{"early", 50}});
    lyricEvents(0, {{"(c) someone", 0}}, 2);
    lyricEvents(0, {{"Verse", 300}}, 6);
    lyricEvents(1, words(10));
    lyricEvents(1, {{"%comment", 2000}});
    open();
    const std::size_t before = song->data().texts.size();
    const bool longLine = doc->handOverLyrics(*song);
    EXPECT_FALSE(longLine);

    const auto texts = lyricTexts();
    for (const std::string kept :
         {"1:0:@TTitle", "5:50:early", "2:0:(c) someone", "6:300:Verse", "5:2000:%comment"})
        EXPECT_NE(std::find(texts.begin(), texts.end(), kept), texts.end()) << kept;
    // The ten syllables, then a break for each padding line; the two kept lyric events.
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "5:200:w0 "), 1);
    EXPECT_EQ(std::count_if(texts.begin(), texts.end(),
                            [](const std::string& t) { return t.starts_with("5:"); }),
              10 + 35 + 2);

    // A second save replaces the first one's events instead of adding to them.
    doc->handOverLyrics(*song);
    EXPECT_EQ(lyricTexts(), texts);
    EXPECT_EQ(song->data().texts.size(), before - 10 + 45);
}

TEST_F(LyricsModelTest, HandOverWritesEarlyItemsFromTick101InOrder) {
    items({{"", 10}}, 1);
    items({{"a", 0}, {"b", 40}, {"c", 100}, {"d", 108}, {"e", 400}});
    doc->handOverLyrics(*song);
    std::vector<std::string> lyrics;
    for (const auto& t : song->data().texts)
        if (t.type == 5)
            lyrics.push_back(std::to_string(t.tick) + std::string(t.data.begin(), t.data.end()));
    // The leading break is not written: the reader skips it anyway.
    EXPECT_EQ(lyrics, (std::vector<std::string>{"101a", "106b", "111c", "116d", "400e"}));
}

TEST_F(LyricsModelTest, HandOverReportsLinesLongerThan33Characters) {
    items({{std::string(20, 'a'), 200}, {std::string(13, 'b'), 300}});
    EXPECT_FALSE(doc->handOverLyrics(*song));
    items({{"c", 400}});
    EXPECT_TRUE(doc->handOverLyrics(*song));
    // Every syllable is still written: the warning does not stop the save.
    int written = 0;
    for (const auto& t : song->data().texts) written += t.type == 5;
    EXPECT_EQ(written, 3);
}

// ---- change notifications ----------------------------------------------------------------

TEST_F(LyricsModelTest, EditsTellEverySubscribedViewUntilItLeaves) {
    items({{"a", 200}});
    changes.clear();
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
