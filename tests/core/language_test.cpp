#include "core/song/midi_song.h"
#include "core/language/language.h"
#include "core/language/language_source.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace cantelo {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

std::size_t slot(TextId id) {
    return static_cast<std::size_t>(id);
}

// A language file from its plain bytes, scrambled as it is stored.
std::optional<LanguageFile> fileFromPlain(const std::string& plain) {
    Bytes stored(plain.begin(), plain.end());
    toggleLanguageScramble(stored);
    return LanguageFile::fromStored(std::move(stored));
}

// A header with the given codes and room for `blocks` blocks of zeros.
std::string plainHeader(const std::vector<std::string>& codes, std::size_t blocks) {
    std::string plain(kLanguageHeaderSize + blocks * kLanguageBlockSize, '\0');
    plain.replace(0, 10, "CNELANG113");
    for (std::size_t k = 0; k < codes.size(); ++k) plain.replace(10 + 3 * k, 3, codes[k]);
    return plain;
}

// Texts "<tag><index>" for every slot.
LanguageBlock taggedBlock(const std::string& tag) {
    LanguageBlock b;
    for (int i = 0; i < kLanguageTextCount; ++i)
        b[static_cast<std::size_t>(i)] = tag + std::to_string(i);
    return b;
}

TEST(LanguageFileTest, TheScrambleKeepsZeroAndTheMaskAndUndoesItself) {
    Bytes all(256);
    for (int i = 0; i < 256; ++i) all[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    Bytes once = all;
    toggleLanguageScramble(once);
    EXPECT_EQ(once[0x00], 0x00);
    EXPECT_EQ(once[0xE3], 0xE3);
    EXPECT_EQ(once['C'], 'C' ^ 0xE3);
    toggleLanguageScramble(once);
    EXPECT_EQ(once, all);
}

TEST(LanguageFileTest, TheHeaderListsCodesUpToAZeroByteOrOffset50) {
    const auto two = fileFromPlain(plainHeader({"ITA", "ENG"}, 2));
    ASSERT_TRUE(two);
    ASSERT_EQ(two->languages().size(), 2u); // the zero byte at offset 16 ends the list
    EXPECT_EQ(two->languages()[1].code, "ENG");
    EXPECT_EQ(two->languages()[0].image, 53);
    EXPECT_EQ(two->languages()[1].image, 54);

    std::vector<std::string> thirteen;
    for (char c = 'A'; c < 'A' + 13; ++c) thirteen.push_back(std::string(3, c));
    std::string plain = plainHeader(thirteen, 1);
    plain[49] = 'Z'; // the byte before the first block is not a code
    const auto full = fileFromPlain(plain);
    ASSERT_TRUE(full);
    ASSERT_EQ(full->languages().size(), 13u);
    EXPECT_EQ(full->languages()[12].code, "MMM");

    // A header cut inside the second code lists the first only.
    const auto cut = fileFromPlain(plainHeader({"ITA", "ENG"}, 0).substr(0, 15));
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->languages().size(), 1u);

    EXPECT_FALSE(fileFromPlain("CNELANG112ITA"));
    EXPECT_FALSE(fileFromPlain("CNELANG"));
    EXPECT_FALSE(fileFromPlain(""));
}

TEST(LanguageFileTest, BlocksAreReadFromTheirFixedOffsets) {
    std::string plain = plainHeader({"ITA", "ENG"}, 2);
    plain.replace(5350, 8, "first\rs\r"); // language 1's first text starts at 5350
    const auto file = fileFromPlain(plain);
    ASSERT_TRUE(file);
    int found = 0;
    const auto block = file->block(1, &found);
    ASSERT_TRUE(block);
    EXPECT_EQ((*block)[0], "first");
    EXPECT_EQ((*block)[1], "s");
    EXPECT_EQ((*block)[2], "") << "zero padding reads as empty texts";
    EXPECT_FALSE(file->block(2)) << "no third language in the header";
    EXPECT_FALSE(file->block(-1));
}

TEST(LanguageFileTest, TextsEndAtCarriageReturnsOnly) {
    std::string plain = plainHeader({"ITA"}, 1);
    const std::string body = "a\r\nb\r" + std::string(400, 'x') + "\rc\r";
    plain.replace(kLanguageHeaderSize, body.size(), body);
    const auto block = fileFromPlain(plain)->block(0);
    ASSERT_TRUE(block);
    EXPECT_EQ((*block)[0], "a");
    EXPECT_EQ((*block)[1], "\nb") << "a line feed after the CR starts the next text";
    EXPECT_EQ((*block)[2], std::string(355, 'x'));
    EXPECT_EQ((*block)[3], "c") << "a long text does not shift the ones after it";
}

class LanguageTextsTest : public ::testing::Test {
protected:
    LanguageTexts texts;
};

TEST_F(LanguageTextsTest, BuiltInFiltersSplitIntoDescriptionsAndPatterns) {
    EXPECT_EQ(texts.at(163), ""); // slots outside the table read as empty, not past it
    // The open dialog's list is the first filter followed by the second.
    const auto all = fileFilters(texts[TextId::FilterAllSongs]);
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].description, "Tutti i File (*.nvk, *.mid, *.kar)");
    EXPECT_EQ(all[0].patterns, (std::vector<std::string>{"*.nvk", "*.mid", "*.kar"}));
    EXPECT_EQ(all[3].description, "File Karaoke (*.kar)");
    EXPECT_EQ(fileFilters(texts[TextId::FilterSongTypes]).size(), 3u);
    EXPECT_EQ(fileFilters(texts[TextId::FilterSyllables])[0].patterns,
              std::vector<std::string>{"*.nvs"});
}

TEST_F(LanguageTextsTest, ApplyingALanguageConvertsOnlyTheTextsThatTakeMarks) {
    LanguageBlock block = taggedBlock("t");
    block[slot(TextId::FilterText)] = "File Testo (*.txt)\xA6*.txt\xA6\xA6)";
    block[slot(TextId::FilterAllSongs)] = "All\xA6*.a\xA6";
    block[slot(TextId::FilterSongTypes)] = "One\xA6*.b;*.c\xA6\xA6";
    block[slot(TextId::ExportTrailer2)] = "x\xB3\xB2y";
    block[slot(TextId::mnuFile)] = "F\xA6\xB3\xB2"; // marks are plain characters elsewhere
    const auto file = LanguageFile::fromStored(*buildLanguageFile({"AAA"}, {block}, nullptr));
    ASSERT_TRUE(file);
    ASSERT_TRUE(texts.apply(*file, 0));

    const auto txt = fileFilters(texts[TextId::FilterText]);
    ASSERT_EQ(txt.size(), 1u); // the closing parenthesis after the empty entry is never read
    EXPECT_EQ(txt[0].description, "File Testo (*.txt)");
    EXPECT_EQ(txt[0].patterns, std::vector<std::string>{"*.txt"});
    const auto all = fileFilters(texts[TextId::FilterAllSongs]);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].patterns, (std::vector<std::string>{"*.b", "*.c"}));
    EXPECT_EQ(texts[TextId::ExportTrailer2], "x\r\ny");
    EXPECT_EQ(texts[TextId::mnuFile], "F\xA6\xB3\xB2");
    EXPECT_EQ(texts.at(162), "t162");

    texts.useBuiltIn();
    EXPECT_EQ(texts[TextId::mnuFile], "&File");
}

TEST_F(LanguageTextsTest, AMissingLanguageChangesNothingAndACutBlockFallsBackToItalian) {
    std::string plain = plainHeader({"AAA"}, 0);
    plain += "uno\rdue\rtre";
    const auto file = fileFromPlain(plain);
    ASSERT_TRUE(file);
    EXPECT_FALSE(texts.apply(*file, 1));
    EXPECT_EQ(texts[TextId::mnuFile], "&File");

    ASSERT_TRUE(texts.apply(*file, 0));
    EXPECT_EQ(texts.at(0), "uno");
    EXPECT_EQ(texts.at(2), "tre") << "the last text may end with the file";
    EXPECT_EQ(texts.at(3), "Opzioni");
    EXPECT_EQ(texts[TextId::DeviceErrorLine1], "Non posso aprire la periferica midi selezionata.");
}

TEST(LanguageBuildTest, RefusesWhatTheReaderCouldNotReadBack) {
    std::string error;
    EXPECT_TRUE(buildLanguageFile({"ITA", "ENG"}, {taggedBlock("i"), taggedBlock("e")}, &error));

    auto refused = [&](std::vector<std::string> codes, std::vector<LanguageBlock> blocks) {
        error.clear();
        return !buildLanguageFile(codes, blocks, &error) && !error.empty();
    };
    LanguageBlock cr = taggedBlock("i");
    cr[5] = "a\rb";
    EXPECT_TRUE(refused({"ITA"}, {cr}));
    LanguageBlock long356 = taggedBlock("i");
    long356[5] = std::string(356, 'x');
    EXPECT_TRUE(refused({"ITA"}, {long356}));
    LanguageBlock overflowing;
    overflowing.fill(std::string(40, 'x')); // 163 x 41 bytes > 5300
    EXPECT_TRUE(refused({"ITA"}, {overflowing}));
    EXPECT_TRUE(refused({"IT"}, {taggedBlock("i")}));
    EXPECT_TRUE(refused({}, {}));
    EXPECT_TRUE(refused(std::vector<std::string>(14, "ABC"),
                        std::vector<LanguageBlock>(14, taggedBlock("i"))));
}

TEST(LanguageLocaleTest, ItalianLocalesStartInItalianOthersInEnglish) {
    const std::vector<LanguageEntry> shipped = {{"ITA", 0, 53}, {"ENG", 1, 54}};
    for (const char* it : {"it", "it_IT.UTF-8", "it-CH", "IT_it", "it@euro", "Italian_Italy.1252"})
        EXPECT_EQ(firstStartLanguage(it, shipped), 0) << it;
    for (const char* other : {"", "C", "POSIX", "en_US.UTF-8", "de_DE", "iu_CA"})
        EXPECT_EQ(firstStartLanguage(other, shipped), 1) << other;

    const std::vector<LanguageEntry> reversed = {{"eng", 0, 53}, {"ita", 1, 54}};
    EXPECT_EQ(firstStartLanguage("it_IT", reversed), 1);
    EXPECT_EQ(firstStartLanguage("fr_FR", reversed), 0);
    EXPECT_EQ(firstStartLanguage("fr_FR", {}), 0) << "without a language file: built-in Italian";
}

// The readable source: a valid table to mutate, with ASCII texts.
class LanguageSourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        rows.push_back("index\tslot\tITA\tENG");
        for (int i = 0; i < kLanguageTextCount; ++i)
            rows.push_back(std::to_string(i) + "\t" + std::string(slotName(i)) + "\tit" +
                           std::to_string(i) + "\ten" + std::to_string(i));
    }
    std::string table() const {
        std::string t = "# comment\n\n";
        for (const auto& r : rows) t += r + "\r\n";
        return t;
    }
    std::string failure() const {
        std::string error;
        EXPECT_FALSE(parseLanguageSource(table(), &error));
        return error;
    }
    std::vector<std::string> rows;
};

TEST_F(LanguageSourceTest, ReadsCodesAndTextsInWindows1252) {
    rows[1 + 50] = "50\tmnuAgganciaPrimaNota\tAggangia sulla 1° Nota\t€ “quoted” ¦³²";
    rows[1 + 36] = "36\treserved36\t\t";
    const auto source = parseLanguageSource("\xEF\xBB\xBF" + table(), nullptr);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->codes, (std::vector<std::string>{"ITA", "ENG"}));
    EXPECT_EQ(source->blocks[0][50], "Aggangia sulla 1\xB0 Nota");
    EXPECT_EQ(source->blocks[1][50], "\x80 \x93quoted\x94 \xA6\xB3\xB2");
    EXPECT_EQ(source->blocks[1][36], "");
    EXPECT_EQ(source->blocks[1][162], "en162");
}

TEST_F(LanguageSourceTest, NamesTheLineOfEachFault) {
    struct Fault {
        std::size_t row; // 0 is the header
        std::string text;
        std::string_view reported;
    };
    const Fault faults[] = {
        {1 + 42, "42\tmnuAggancia\tx\ty", "line 46:"}, // the twin is missing from the slot
        {1 + 9, "10\tmnuEsci\tEsci\tQuit", "index 9"},
        {1 + 4, "4\tmnuInfo\tInformazioni\t", "untranslated"},
        {1 + 4, "4\tmnuInfo\tInfo \u2713\tHelp", "U+2713"},
        {1 + 4, "4\tmnuInfo\tInfo\xC3\tHelp", "UTF-8"},
        {1 + 4, "4\tmnuInfo\tInfo", "columns"},
        {0, "index\tslot\tIT\tENG", "three-letter"},
    };
    const std::vector<std::string> valid = rows;
    for (const Fault& f : faults) {
        rows = valid;
        rows[f.row] = f.text;
        const std::string error = failure();
        EXPECT_NE(error.find(f.reported), std::string::npos) << f.text << ": " << error;
    }
    rows = valid;
    rows.pop_back();
    EXPECT_NE(failure().find("162 of the 163"), std::string::npos) << failure();
}

// The shipped table, built by the tool exactly as the build does, reads back text for text.
TEST(ShippedLanguagesTest, EveryTextOfBothLanguagesReadsBack) {
    const fs::path root = fs::path(__FILE__).parent_path().parent_path().parent_path();
    std::ifstream in(root / "data" / "lang" / "strings.tsv", std::ios::binary);
    ASSERT_TRUE(in) << "no data/lang/strings.tsv under " << root;
    std::ostringstream tsv;
    tsv << in.rdbuf();
    std::string error;
    const auto source = parseLanguageSource(tsv.view(), &error);
    ASSERT_TRUE(source) << error;

    const fs::path out =
        fs::temp_directory_path() / ("cantelo_reg_" + std::to_string(::getpid()) + ".cne");
    const std::string command = std::string("\"") + CANTELO_TOOL_PATH + "\" lang-build \"" +
                                (root / "data" / "lang" / "strings.tsv").string() + "\" \"" +
                                out.string() + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const auto file = LanguageFile::load(out);
    fs::remove(out);
    ASSERT_TRUE(file);

    ASSERT_EQ(file->languages().size(), 2u);
    EXPECT_EQ(file->languages()[0].code, "ITA");
    EXPECT_EQ(file->languages()[1].code, "ENG");
    for (int k = 0; k < 2; ++k) {
        int found = 0;
        const auto block = file->block(k, &found);
        ASSERT_TRUE(block);
        EXPECT_EQ(found, kLanguageTextCount);
        for (int i = 0; i < kLanguageTextCount; ++i)
            EXPECT_EQ((*block)[static_cast<std::size_t>(i)],
                      source->blocks[static_cast<std::size_t>(k)][static_cast<std::size_t>(i)])
                << file->languages()[static_cast<std::size_t>(k)].code << " text " << i;
    }

    // The shipped Italian is the built-in Italian wherever the editor has one.
    LanguageTexts italian, english;
    ASSERT_TRUE(italian.apply(*file, 0));
    ASSERT_TRUE(english.apply(*file, 1));
    for (int i = 0; i < kLanguageTextCount; ++i) {
        if (builtInText(i).empty()) continue;
        EXPECT_EQ(italian.at(i), LanguageTexts().at(i)) << "text " << i << " " << slotName(i);
        EXPECT_FALSE(english.at(i).empty()) << "text " << i;
    }
    // A song's credit event holds at most 79 characters.
    EXPECT_LE(italian[TextId::SongCredit].size(), 79u);
    EXPECT_LE(english[TextId::SongCredit].size(), 79u);
    EXPECT_EQ(fileFilters(english[TextId::FilterAllSongs]).size(), 4u);
    EXPECT_EQ(fileFilters(english[TextId::FilterText])[0].patterns,
              std::vector<std::string>{"*.txt"});
}

} // namespace
} // namespace cantelo
