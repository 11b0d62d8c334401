#include "core/language/language.h"
#include "core/language/language_source.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace cantelo {
namespace {

using test::Bytes;

using Texts = std::pair<std::string, std::string>;

std::size_t slot(TextId id) {
    return static_cast<std::size_t>(id);
}
std::size_t extra(ExtraTextId id) {
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

TEST(LanguageFileTest, TheHeaderListsCodesUpToAZeroByteOrOffset50) {
    Bytes scrambled = {0x00, 0xE3, 'C', 0xFF};
    toggleLanguageScramble(scrambled);
    EXPECT_EQ(scrambled, (Bytes{0x00, 0xE3, 'C' ^ 0xE3, 0xFF ^ 0xE3})) << "0 and the mask stay";

    const auto two = fileFromPlain(plainHeader({"ITA", "ENG"}, 2));
    ASSERT_TRUE(two);
    ASSERT_EQ(two->languages().size(), 2u); // the zero byte at offset 16 ends the list
    EXPECT_TRUE(two->languages()[1].code == "ENG" && two->languages()[1].image == 54);
    std::vector<std::string> thirteen;
    for (char c = 'A'; c < 'A' + 13; ++c) thirteen.push_back(std::string(3, c));
    std::string plain = plainHeader(thirteen, 1);
    plain[49] = 'Z'; // the byte before the first block is not a code
    ASSERT_EQ(fileFromPlain(plain)->languages().size(), 13u);
    // A header cut inside the second code lists the first only.
    EXPECT_EQ(fileFromPlain(plainHeader({"ITA", "ENG"}, 0).substr(0, 15))->languages().size(), 1u);
    for (const char* wrong : {"CNELANG112ITA", "CNELANG", ""}) EXPECT_FALSE(fileFromPlain(wrong));
}

TEST(LanguageFileTest, BlocksStartAtFixedOffsetsAndTextsEndAtCarriageReturnsOnly) {
    std::string plain = plainHeader({"ITA", "ENG"}, 2);
    const std::string body = "a\r\nb\r" + std::string(400, 'x') + "\rc\r";
    plain.replace(5350, body.size(), body); // language 1's first text starts at 5350
    const auto file = fileFromPlain(plain);
    const auto block = file->block(1);
    ASSERT_TRUE(block);
    // A line feed after the CR starts the next text; a long text does not shift the ones after
    // it; zero padding reads as empty texts.
    EXPECT_EQ(std::vector<std::string>(block->begin(), block->begin() + 5),
              (std::vector<std::string>{"a", "\nb", std::string(355, 'x'), "c", ""}));
    EXPECT_FALSE(file->block(2) || file->block(-1)) << "no third language in the header";
}

TEST(LanguageTextsTest, ApplyingALanguageConvertsOnlyTheTextsThatTakeMarks) {
    LanguageTexts texts;
    EXPECT_EQ(texts.at(163), ""); // slots outside the table read as empty, not past it
    EXPECT_EQ(fileFilters(texts[TextId::FilterAllSongs]).size(), 4u) << "the second is appended";
    LanguageBlock block = taggedBlock("t");
    block[slot(TextId::FilterText)] = "File Testo (*.txt)\xA6*.txt\xA6\xA6)";
    block[slot(TextId::FilterAllSongs)] = "All\xA6*.a\xA6";
    block[slot(TextId::FilterSongTypes)] = "One\xA6*.b;*.c\xA6\xA6";
    block[slot(TextId::ExportTrailer1)] = "";
    block[slot(TextId::ExportTrailer2)] = "x\xB3\xB2y";
    block[slot(TextId::ExportTrailer3)] = "";
    block[slot(TextId::ExportTrailer4)] = "\xB3\xB2z\xB3\xB2";
    block[slot(TextId::mnuFile)] = "F\xA6\xB3\xB2"; // marks are plain characters elsewhere
    const auto file = LanguageFile::fromStored(*buildLanguageFile({"AAA"}, {block}, nullptr));
    ASSERT_TRUE(file && texts.apply(*file, 0));

    const auto txt = fileFilters(texts[TextId::FilterText]);
    ASSERT_EQ(txt.size(), 1u); // the closing parenthesis after the empty entry is never read
    EXPECT_EQ(txt[0].patterns, std::vector<std::string>{"*.txt"});
    const auto all = fileFilters(texts[TextId::FilterAllSongs]);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].patterns, (std::vector<std::string>{"*.b", "*.c"}));
    EXPECT_EQ(texts[TextId::ExportTrailer2], "x\r\ny");
    // The export trailer: an emptied title falls back to the built-in one, empty credits go.
    const ExportTrailer trailer = exportTrailer(texts);
    EXPECT_EQ(trailer.title, "TESTO ESTRATTO CON CANTELO EDITOR 1.09");
    EXPECT_EQ(trailer.credits, (std::vector<std::string>{"x\r\ny", "z"}));
    EXPECT_TRUE(texts[TextId::mnuFile] == "F\xA6\xB3\xB2" && texts.at(162) == "t162");

    // A language the file lacks changes nothing; texts a cut block does not reach stay Italian.
    const auto cut = fileFromPlain(plainHeader({"AAA"}, 0) + "uno\rdue\rtre");
    EXPECT_FALSE(texts.apply(*cut, 1));
    EXPECT_EQ(texts[TextId::mnuFile], "F\xA6\xB3\xB2");
    ASSERT_TRUE(texts.apply(*cut, 0));
    EXPECT_EQ(std::pair(texts.at(2), texts.at(3)), Texts("tre", "Opzioni"))
        << "the last text may end with the file";
}

// The extension section: ITA and ENG translate some extra texts, DEU none.
class LanguageExtensionTest : public ::testing::Test {
protected:
    void SetUp() override {
        extras[0][extra(ExtraTextId::SaveFailed)] = "ita save";
        extras[0][extra(ExtraTextId::StatusNoSong)] = "ita none";
        extras[1][extra(ExtraTextId::SaveFailed)] = std::string(355, 'e');
    }
    Bytes build(const std::vector<ExtraBlock>& with) const {
        return buildLanguageFile(codes, blocks, with, nullptr).value_or(Bytes{});
    }

    std::vector<std::string> codes{"ITA", "ENG", "DEU"};
    std::vector<LanguageBlock> blocks{taggedBlock("i"), taggedBlock("e"), taggedBlock("d")};
    std::vector<ExtraBlock> extras = std::vector<ExtraBlock>(3);
    LanguageTexts texts;
};

TEST_F(LanguageExtensionTest, TranslatedTextsWinAndTheRestFallBackByLanguage) {
    const Bytes with = build(extras), without = build({});
    ASSERT_GT(with.size(), without.size());
    ASSERT_TRUE(std::equal(without.begin(), without.end(), with.begin()))
        << "the 163-slot layout is untouched by the extension";
    const auto file = LanguageFile::fromStored(with);
    ASSERT_TRUE(file);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(*file->block(k), blocks[static_cast<std::size_t>(k)]);
    EXPECT_TRUE(*file->extraBlock(1) == extras[1] && !file->extraBlock(3));

    const std::string english = "The file was not saved:",
                      italian = "Il file non e' stato salvato:";
    ASSERT_TRUE(texts.apply(*file, 0));
    EXPECT_EQ(texts[ExtraTextId::SaveFailed], "ita save");
    EXPECT_EQ(texts[ExtraTextId::UnsavedSave], "Salva") << "ITA lacks it: built-in Italian";
    ASSERT_TRUE(texts.apply(*file, 1));
    EXPECT_EQ(std::pair(texts[ExtraTextId::SaveFailed], texts[ExtraTextId::StatusNoSong]),
              Texts(std::string(355, 'e'), "No song open"));
    ASSERT_TRUE(texts.apply(*file, 2));
    EXPECT_EQ(std::pair(texts[ExtraTextId::SaveFailed], texts.at(0)), Texts(english, "d0"));
    texts.useBuiltIn();
    EXPECT_EQ(texts[ExtraTextId::SaveFailed], italian);

    // An older file without the section, its Italian written in small letters.
    codes[0] = "ita";
    const auto old = LanguageFile::fromStored(build({}));
    ASSERT_TRUE(old);
    EXPECT_FALSE(old->extraBlock(0));
    ASSERT_TRUE(texts.apply(*old, 1));
    EXPECT_EQ(texts[ExtraTextId::SaveFailed], english);
    ASSERT_TRUE(texts.apply(*old, 0));
    EXPECT_EQ(texts[ExtraTextId::SaveFailed], italian);
}

TEST_F(LanguageExtensionTest, ACutOrDamagedSectionKeepsOnlyTheTextsItHoldsWhole) {
    Bytes plain = build(extras);
    toggleLanguageScramble(plain);
    std::size_t whole = 0;
    for (std::size_t size = kLanguageHeaderSize + 3 * kLanguageBlockSize; size <= plain.size();
         ++size) {
        Bytes cut(plain.begin(), plain.begin() + static_cast<std::ptrdiff_t>(size));
        toggleLanguageScramble(cut);
        const auto file = LanguageFile::fromStored(std::move(cut));
        whole = 0;
        for (int k = 0; k < 3; ++k) {
            const ExtraBlock got = file->extraBlock(k).value_or(ExtraBlock{});
            for (std::size_t i = 0; i < got.size(); ++i) {
                whole += got[i].has_value();
                EXPECT_TRUE(!got[i] || got[i] == extras[static_cast<std::size_t>(k)][i]) << size;
            }
        }
    }
    EXPECT_EQ(whole, 3u);

    // Entries by hand, their stated lengths (little-endian) apart from the data given.
    auto number = [](std::size_t n, int bytes) {
        std::string s;
        for (int i = 0; i < bytes; ++i) s += static_cast<char>(n >> (8 * i) & 0xFF);
        return s;
    };
    auto entry = [&](const std::string& name, const std::string& text, std::size_t length) {
        return number(name.size(), 1) + name + number(length, 2) + text;
    };
    const std::string good = entry("mnuUndo", "Undo it", 7);
    const std::string entries = entry("Unheard", "x", 1) + entry("SaveFailed", "a\rb", 3) +
                                entry("ReasonEmpty", std::string(356, 'y'), 356) + good +
                                entry("mnuUndo", "second", 6) + entry("mnuRedo", "cut", 300);
    const std::string sections = '\5' + number(good.size(), 4) + good + // a language not there
                                 '\1' + number(entries.size() + 1000, 4) + entries;
    const auto file = fileFromPlain(plainHeader({"AAA", "BBB"}, 2) + "CNEXT1" + sections);
    const ExtraBlock got = *file->extraBlock(1);
    for (std::size_t i = 0; i < got.size(); ++i)
        EXPECT_EQ(got[i].has_value(), i == extra(ExtraTextId::mnuUndo)) << i;
    EXPECT_EQ(got[extra(ExtraTextId::mnuUndo)], "Undo it");
    // The tag counts only right after the last block.
    EXPECT_FALSE(fileFromPlain(plainHeader({"AAA"}, 2) + "CNEXT1" + sections)->extraBlock(0));
    EXPECT_FALSE(fileFromPlain(plainHeader({"AAA"}, 1) + "CNEXT")->extraBlock(0));
}

TEST(LanguageBuildTest, RefusesWhatTheReaderCouldNotReadBack) {
    const std::vector<LanguageBlock> one = {taggedBlock("i")};
    auto slot5 = [&one](std::string text) {
        std::vector<LanguageBlock> b = one;
        b[0][5] = std::move(text);
        return b;
    };
    auto extra5 = [](std::string text) {
        std::vector<ExtraBlock> e(1);
        e[0][5] = std::move(text);
        return e;
    };
    LanguageBlock overflowing;
    overflowing.fill(std::string(40, 'x')); // 163 x 41 bytes > 5300
    const struct {
        std::vector<std::string> codes;
        std::vector<LanguageBlock> blocks;
        std::vector<ExtraBlock> extras;
    } refused[] = {
        {{"ITA"}, slot5("a\rb"), {}},
        {{"ITA"}, slot5(std::string(356, 'x')), {}},
        {{"ITA"}, {overflowing}, {}},
        {{"IT"}, one, {}},
        {{}, {}, {}},
        {std::vector<std::string>(14, "ABC"), std::vector(14, one[0]), {}},
        {{"ITA"}, one, extra5("a\rb")},
        {{"ITA"}, one, extra5(std::string(356, 'x'))},
        {{"ITA"}, one, std::vector<ExtraBlock>(2)}, // one set of extra texts per language
    };
    for (const auto& r : refused) {
        std::string error;
        EXPECT_FALSE(buildLanguageFile(r.codes, r.blocks, r.extras, &error));
        EXPECT_FALSE(error.empty());
    }
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

// The readable source: a valid table to mutate, with ASCII texts: the header, the slots, the
// extras' header and the extra texts (the last of the list first, at kFirstExtra).
class LanguageSourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        rows.push_back("index\tslot\tITA\tENG");
        for (int i = 0; i < kLanguageTextCount; ++i)
            rows.push_back(std::to_string(i) + "\t" + std::string(slotName(i)) + "\tit" +
                           std::to_string(i) + "\ten" + std::to_string(i));
        rows.push_back("name\tITA\tENG");
        for (int i = kExtraTextCount - 1; i >= 0; --i)
            rows.push_back(std::string(extraTextName(i)) + "\tx" + std::to_string(i) + "\t");
    }
    std::string failure() const {
        std::string t = "# comment\n\n", error;
        for (const auto& r : rows) t += r + "\r\n";
        EXPECT_FALSE(parseLanguageSource(t, &error));
        return error;
    }
    static constexpr std::size_t kFirstExtra = 2 + kLanguageTextCount;
    const std::string last{extraTextName(kExtraTextCount - 1)};
    std::vector<std::string> rows;
};

TEST_F(LanguageSourceTest, ReadsCodesAndTextsInWindows1252) {
    rows[1 + 50] = "50\tmnuAgganciaPrimaNota\tAggangia sulla 1° Nota\t€ “quoted” ¦³²";
    rows[1 + 36] = "36\treserved36\t\t";
    rows[kFirstExtra] = last + "\tnessuno\tnone €";
    std::string t = "\xEF\xBB\xBF";
    for (const auto& r : rows) t += r + "\n";
    const auto source = parseLanguageSource(t, nullptr);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->codes, (std::vector<std::string>{"ITA", "ENG"}));
    EXPECT_EQ(std::pair(source->blocks[0][50], source->blocks[1][50]),
              Texts("Aggangia sulla 1\xB0 Nota", "\x80 \x93quoted\x94 \xA6\xB3\xB2"));
    EXPECT_EQ(std::pair(source->blocks[1][36], source->blocks[1][162]), Texts("", "en162"));
    EXPECT_EQ(source->extras[0][0], "x0");
    EXPECT_FALSE(source->extras[1][0]) << "an empty cell leaves the text to the built-in English";
    EXPECT_EQ(source->extras[1][kExtraTextCount - 1], "none \x80");
}

TEST_F(LanguageSourceTest, NamesTheLineOfEachFault) {
    const struct {
        std::size_t row; // 0 is the header, on line 3
        std::string text;
        std::string reported;
    } faults[] = {
        {1 + 42, "42\tmnuAggancia\tx\ty", "line 46:"}, // the twin is missing from the slot
        {kFirstExtra + 1, last + "\ta\tb", "line 169: " + last + " is listed twice"},
    };
    const std::vector<std::string> valid = rows;
    for (const auto& f : faults) {
        rows = valid;
        rows[f.row] = f.text;
        const std::string error = failure();
        EXPECT_NE(error.find(f.reported), std::string::npos) << f.text << ": " << error;
    }
}

// The shipped table, built by the tool exactly as the build does, reads back text for text.
TEST(ShippedLanguagesTest, EveryTextOfBothLanguagesReadsBack) {
    const auto tsv = std::filesystem::path(CANTELO_SOURCE_DIR) / "data" / "lang" / "strings.tsv";
    std::string error;
    const auto source = parseLanguageSource(test::fileText(tsv), &error);
    ASSERT_TRUE(source) << tsv << ": " << error;
    const test::ScratchDir dir;
    const std::string command = std::string("\"") + CANTELO_TOOL_PATH + "\" lang-build \"" +
                                tsv.string() + "\" \"" + (dir / "reg.cne").string() + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const auto file = LanguageFile::load(dir / "reg.cne");
    ASSERT_TRUE(file);

    ASSERT_EQ(file->languages().size(), 2u);
    for (std::size_t k = 0; k < 2; ++k) {
        EXPECT_EQ(file->block(static_cast<int>(k)), source->blocks[k]);
        const ExtraBlock extras = *file->extraBlock(static_cast<int>(k));
        EXPECT_EQ(extras, source->extras[k]);
        EXPECT_EQ(std::count(extras.begin(), extras.end(), std::nullopt), 0) << "ship them all";
    }

    // The shipped Italian is the built-in Italian wherever the editor has one.
    LanguageTexts italian, english;
    ASSERT_TRUE(italian.apply(*file, 0));
    ASSERT_TRUE(english.apply(*file, 1));
    for (int i = 0; i < kLanguageTextCount; ++i)
        EXPECT_TRUE(builtInText(i).empty() || italian.at(i) == LanguageTexts().at(i))
            << slotName(i);
    for (int i = 0; i < kExtraTextCount; ++i)
        EXPECT_EQ(italian[static_cast<ExtraTextId>(i)], builtInExtraText(i, false)) << i;
    // A song's credit event holds at most 79 characters.
    EXPECT_LE(italian[TextId::SongCredit].size(), 79u);
    EXPECT_LE(english[TextId::SongCredit].size(), 79u);
    EXPECT_EQ(fileFilters(english[TextId::FilterAllSongs]).size(), 4u);
}

} // namespace
} // namespace cantelo
