#include "core/lyrics/text_tools.h"

#include "lyric_items.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

using namespace cantelo;
namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

namespace {

class TextFiles : public ::testing::Test {
protected:
    test::ScratchDir dir;
};

const Strings kTwoLines{"ciao @360", "a @390", "tutti@420", "|@460",
                        "come @690", "va@720", "|@760"};

TEST(ImportText, AnyLineEndAndAMissingLastOneGiveTheSameWordsAndTicks) {
    for (const char* text : {"ciao a tutti\r\ncome va\r\n", "ciao a tutti\ncome va\n",
                             "ciao a tutti\rcome va\r", "ciao a tutti\r\ncome va"}) {
        TItemLyr list;
        ASSERT_TRUE(importTextBytes(list, text));
        EXPECT_EQ(itemsOf(list), kTwoLines) << text;
    }
    TItemLyr list;
    ASSERT_TRUE(importTextBytes(list, std::string("\r\na  b\0c\r\n", 10)));
    EXPECT_EQ(itemsOf(list), (Strings{"|@10", "a @210", " @240", "bc@270", "|@310"}));
    ASSERT_TRUE(importTextBytes(list, "uno due tre quattro cinque sei sette otto\r\n"));
    EXPECT_EQ(lineTextsOf(list), (Strings{"uno due tre quattro cinque sei", "sette otto", ""}));
}

TEST_F(TextFiles, ImportReadsTheWholeFileAndRefusesWhatItCannotRead) {
    const std::string body = std::string(5000, 'x') + "\r\nciao a tutti\r\ncome va";
    test::writeFile(dir / "long.txt", body);
    TItemLyr fromFile, fromBytes;
    ASSERT_TRUE(importTextFile(fromFile, (dir / "long.txt").string()));
    ASSERT_TRUE(importTextBytes(fromBytes, body));
    EXPECT_EQ(itemsOf(fromFile), itemsOf(fromBytes));
    EXPECT_EQ(fromFile.head()->text.size(), 5000u);

    test::writeFile(dir / "empty.txt", "");
    for (const fs::path& p : {dir / "empty.txt", dir / "missing.txt", dir.path()})
        EXPECT_FALSE(importTextFile(fromFile, p.string())) << p;
    EXPECT_FALSE(importTextBytes(fromFile, ""));
    EXPECT_EQ(itemsOf(fromFile), itemsOf(fromBytes));
}

class AdaptText : public ::testing::Test {
protected:
    void line(const Strings& syllables) {
        for (const std::string& s : syllables) list.add(s, 0, tick += 10);
        list.add("", 1, tick += 10);
    }
    TItemLyr list;
    double tick = 0;
};

TEST_F(AdaptText, WrapsAtTheWordBoundaryBeforeTheLimit) {
    line({"uno ", "due ", "tre ", "quattro ", "cinque ", "sei ", "sette ", "otto"});
    line({"aaaaaaaaaa", " bbbbbbbbbb", " cccccc", "ddddddd", "ee"});
    EXPECT_EQ(AdaptTextToWindow(list), 2);
    EXPECT_EQ(lineTextsOf(list), (Strings{"uno due tre quattro cinque sei", "sette otto",
                                          "aaaaaaaaaa bbbbbbbbbb", "ccccccdddddddee", ""}));
    // A provisional break tick: 10 after the syllable it follows.
    EXPECT_EQ(itemsOf(list)[5] + itemsOf(list)[6], "sei@60|@70");

    // One-word lines are cut; a lone long syllable is left alone. The first word starts at the
    // list's first item.
    list.clear();
    line(Strings(14, "xxx"));
    line({std::string(40, 'y')});
    line({" " + std::string(40, 'z'), "w"});
    EXPECT_EQ(AdaptTextToWindow(list), 2);
    EXPECT_EQ(lineTextsOf(list),
              (Strings{std::string(33, 'x'), std::string(9, 'x'), std::string(40, 'y'),
                       " " + std::string(40, 'z'), "w", ""}));
}

TEST(TextCase, WholeTextCaseCoversAccentedLettersAndSkipsBreaks) {
    TItemLyr list;
    clearText(list);
    ASSERT_EQ(list.count(), 36);
    EXPECT_EQ(itemsOf(list).back(), "|@1150");
    EXPECT_FALSE(changeTextCase(list, LetterCase::Lower));

    list.add("Perch\xE9 ", 0, 10);
    list.add("\xC8 \xB5\xDF 1\x9A", 0, 30); // È, µ and ß (no single-byte pair), 1, š
    EXPECT_TRUE(changeTextCase(list, LetterCase::Upper));
    EXPECT_EQ(lineTextsOf(list).back(), "PERCH\xC9 \xC8 \xB5\xDF 1\x8A");
    EXPECT_TRUE(changeTextCase(list, LetterCase::Lower));
    EXPECT_EQ(lineTextsOf(list).back(), "perch\xE9 \xE8 \xB5\xDF 1\x9A");
    EXPECT_EQ(list.count(), 38);
}

class CursorTools : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* t : {"la ", "ca", "sa", "", " bel", "la", "", "", "fi", "ne", ""})
            list.add(t, *t ? 0 : 1, tick += 10);
        // items: 0 la, 1 ca, 2 sa, 3 |, 4 bel, 5 la, 6 |, 7 | (an empty line), 8 fi, 9 ne, 10 |
    }
    TItemLyr list;
    double tick = 0;
};

TEST_F(CursorTools, StartCaseAndJoinActOnTheSyllableUnderTheCursor) {
    EXPECT_TRUE(changeSyllableStartCase(list, 4, 0, LetterCase::Upper));
    EXPECT_FALSE(changeSyllableStartCase(list, 4, 1, LetterCase::Upper));
    EXPECT_TRUE(changeSyllableStartCase(list, 1, 2, LetterCase::Upper)); // boundary: "sa"
    EXPECT_EQ(lineTextsOf(list)[0] + lineTextsOf(list)[1], "la caSa Bella");
    const Strings before = itemsOf(list);
    EXPECT_FALSE(changeSyllableStartCase(list, 2, 2, LetterCase::Lower)); // after the line
    EXPECT_FALSE(changeSyllableStartCase(list, 7, 0, LetterCase::Lower)); // empty line
    EXPECT_FALSE(changeSyllableStartCase(list, 40, 0, LetterCase::Lower));
    EXPECT_EQ(itemsOf(list), before);

    // Join takes in the next item but never gives text to a break.
    EXPECT_FALSE(joinSyllables(list, 2, 2));  // after the line's end
    EXPECT_FALSE(joinSyllables(list, 7, 0));  // on an empty line
    EXPECT_FALSE(joinSyllables(list, 10, 0)); // on the closing break
    EXPECT_EQ(itemsOf(list), before);

    ASSERT_TRUE(joinSyllables(list, 0, 3)); // boundary: "ca" takes in "sa"
    ASSERT_TRUE(joinSyllables(list, 1, 0)); // last syllable: the lines join
    EXPECT_EQ(lineTextsOf(list), (Strings{"la caSa Bella", "", "fine", ""}));
    EXPECT_EQ(itemsOf(list)[1], "caSa@20");
}

TEST_F(TextFiles, ExportWritesCrLfLinesAndTheTrailerThroughATemporaryFile) {
    TItemKL lines;
    lines.add("la casa", 3);
    lines.add("", 4);
    lines.add("Citt\xE0", 7);
    const fs::path path = dir / textExportPath("out");
    const ExportTrailer trailer{"TESTO ESTRATTO CON CANTELO EDITOR 1.09", {"uno", "due"}};
    ASSERT_TRUE(exportText(lines, path.string(), trailer));
    ASSERT_TRUE(exportText(lines, path.string(), trailer)); // replaces the file
    EXPECT_EQ(test::fileText(dir / "out.txt"),
              "la casa\r\n\r\nCitt\xE0\r\n\r\n\r\n"
              "TESTO ESTRATTO CON CANTELO EDITOR 1.09\r\n\r\nuno\r\ndue\r\n");
    EXPECT_EQ(textExportPath("a.TXT"), "a.TXT");
    EXPECT_EQ(textExportPath("a.txt.kar"), "a.txt.kar.txt");

    EXPECT_FALSE(exportText(lines, (dir / "missing" / "out.txt").string()));
    fs::create_directory(dir / "taken.txt");
    EXPECT_FALSE(exportText(lines, (dir / "taken.txt").string()));
    EXPECT_TRUE(fs::is_directory(dir / "taken.txt"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
}

} // namespace
