// Lyric ticks through saves: songs whose lyrics sit at the end of the tick range keep every
// syllable, and an edited song settles after one save and reopen.
#include "smf_builder.h"
#include "test_support.h"

#include "core/document/editor_document.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace cantelo {
namespace {

using test::SmfFile;
using test::SmfTrack;

constexpr std::uint32_t kLargestTick = std::numeric_limits<std::int32_t>::max();
constexpr std::uint32_t kLargestDelta = 0x0FFFFFFF; // four bytes of delta time

struct Item {
    std::int32_t tick;
    std::string text; // "/" for a break
    bool operator==(const Item&) const = default;
};

std::vector<Item> itemsOf(EditorDocument& doc) {
    std::vector<Item> out;
    for (const LyrItem* it = doc.lyrics().lyrics().head(); it; it = it->next)
        out.push_back({static_cast<std::int32_t>(it->tick), it->lineBreak ? "/" : it->text});
    return out;
}

std::vector<std::string> syllablesOf(const std::vector<Item>& items) {
    std::vector<std::string> out;
    for (const Item& i : items)
        if (i.text != "/") out.push_back(i.text);
    return out;
}

class LyricTickTest : public ::testing::Test {
protected:
    // A one-chunk song of lyric events: the first at `firstTick`, the others `step` apart.
    std::string writeSong(const std::string& name, std::uint32_t firstTick, std::uint32_t step,
                          const std::vector<std::string>& syllables) {
        SmfTrack t;
        // Delta times hold 28 bits: stray texts carry the position up to the first syllable.
        while (firstTick > kLargestDelta) {
            t.meta(kLargestDelta, 0x01, "@");
            firstTick -= kLargestDelta;
        }
        for (std::size_t i = 0; i < syllables.size(); ++i)
            t.meta(i == 0 ? firstTick : step, 0x05, syllables[i]);
        t.endOfTrack();
        return test::writeFile(dir / name, SmfFile(1, 480).track(t).bytes());
    }

    std::string save(EditorDocument& doc, const std::string& name) {
        const std::string path = (dir / name).string();
        EXPECT_TRUE(doc.save(path, kFormatChoice1).result) << name;
        return path;
    }

    test::ScratchDir dir;
};

TEST_F(LyricTickTest, SyllablesAtTheEndOfTheRangeSurviveSavesInOrder) {
    // One line of at most 33 characters: the reopened song does not wrap it.
    const std::vector<std::string> words = {"Quan", "do ", "la ", "not", "te ", "e ",
                                            "su ",  "la ", "cit", "ta ", "mia"};
    EditorDocument doc;
    ASSERT_TRUE(doc.open(writeSong("high.kar", kLargestTick - 30, 3, words)));
    const std::vector<std::string> opened = syllablesOf(itemsOf(doc));
    ASSERT_EQ(opened.size(), words.size());

    const std::string first = save(doc, "a.kar");
    EditorDocument again;
    ASSERT_TRUE(again.open(first));
    const std::vector<Item> reopened = itemsOf(again);
    EXPECT_EQ(syllablesOf(reopened), opened);
    std::int32_t previous = kLastIgnoredLyricTick;
    for (const Item& i : reopened) {
        EXPECT_GE(i.tick, previous) << i.text << ": moved before the item preceding it";
        previous = i.tick;
    }
    EXPECT_EQ(reopened.front().tick, static_cast<std::int32_t>(kLargestTick - 30));
    EXPECT_EQ(reopened.back().tick, static_cast<std::int32_t>(kLargestTick));
    EXPECT_EQ(test::fileBytes(save(again, "b.kar")), test::fileBytes(first));
}

// Without trailing spaces: a syllable that ends a line loses its space.
std::vector<std::string> bare(std::vector<std::string> v) {
    for (auto& s : v)
        while (!s.empty() && s.back() == ' ') s.pop_back();
    return v;
}

// Two lines joined into one of more than 33 characters: the reopened song wraps it, and the
// break the wrap adds must fit between syllables 5 ticks apart without pushing them.
TEST_F(LyricTickTest, JoinedLongLineSettlesAfterOneSaveAndReopen) {
    const std::vector<std::string> words = {"Quan", "do ", "la ", "lu",  "na ", "scen",
                                            "de ",  "\r",  "sul", "la ", "cit", "ta ",
                                            "ad",   "dor", "men", "ta"};
    EditorDocument doc;
    ASSERT_TRUE(doc.open(writeSong("long.kar", 1000, 5, words)));
    const std::vector<std::string> opened = syllablesOf(itemsOf(doc));
    doc.editor().setCursor(1, 0);
    doc.editor().pressBackspace();
    const KLItem* joined = doc.lyrics().lineList().item(0);
    ASSERT_TRUE(joined != nullptr);
    ASSERT_GT(joined->text.size(), std::size_t{kSoftLineLength});

    std::string path = save(doc, "r0.kar");
    std::vector<test::Bytes> saves = {test::fileBytes(path)};
    std::vector<std::vector<Item>> opens;
    for (int round = 1; round <= 3; ++round) {
        EditorDocument reopened;
        ASSERT_TRUE(reopened.open(path));
        opens.push_back(itemsOf(reopened));
        path = save(reopened, "r" + std::to_string(round) + ".kar");
        saves.push_back(test::fileBytes(path));
    }
    EXPECT_EQ(bare(syllablesOf(opens[0])), bare(opened)) << "the wrap kept every syllable";
    EXPECT_EQ(opens[1], opens[0]) << "the first reopen already gives the settled list";
    EXPECT_TRUE(saves[2] == saves[1]) << "second save differs from the first after a reopen";
    EXPECT_TRUE(saves[3] == saves[2]);
}

// A syllable that ends its word can take the line several characters past the limit: breaking
// after it would leave a line that the next opening wraps again, so the word goes on instead.
TEST_F(LyricTickTest, WrapOnOpenLeavesLinesThatOpenUnchanged) {
    const std::vector<std::string> words = {"ltauer", "po ", "garridoteque ", "me ",  "lle",
                                            "va",     " a ", "la ",           "muer", "te."};
    EditorDocument doc;
    ASSERT_TRUE(doc.open(writeSong("wrap.kar", 1000, 10, words)));
    const auto lineText = [&doc](int i) {
        const KLItem* line = doc.lyrics().lineList().item(i);
        return line ? line->text : std::string("(none)");
    };
    EXPECT_EQ(lineText(0), "ltauerpo garridoteque me lleva a");
    EXPECT_EQ(lineText(1), "la muerte.");

    const std::string first = save(doc, "w0.kar");
    EditorDocument reopened;
    ASSERT_TRUE(reopened.open(first));
    EXPECT_EQ(itemsOf(reopened), itemsOf(doc));
    EXPECT_TRUE(test::fileBytes(save(reopened, "w1.kar")) == test::fileBytes(first));
}

} // namespace
} // namespace cantelo
