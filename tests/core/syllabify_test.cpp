#include "core/lyrics/syllabify.h"

#include "core/lyrics/text_tools.h"

#include "lyric_items.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace cantelo;

namespace {

TEST(SyllabifyWord, SplitsEveryWordOfTheTable) {
    // Each row exercises a different rule or exception of the splitter; the exceptions match
    // the whole word only, not a word behind a leading space.
    // clang-format off
    const char* const table[][2] = {
        {"CASA", "CA-SA"}, {"AMORE", "A-MO-RE"}, {"BELLO", "BEL-LO"}, {"TERRA", "TER-RA"},
        {"PASTA", "PA-STA"}, {"ALTRO", "AL-TRO"}, {"BAGNO", "BA-GNO"}, {"ANCHE", "AN-CHE"},
        {"PSICOLOGO", "PSI-CO-LO-GO"}, {"PIANO", "PIA-NO"}, {"QUIETE", "QUIE-TE"},
        {"RUINA", "RU-I-NA"}, {"PAURA", "PA-U-RA"}, {"BIAVO", "BI-A-VO"},
        {"BIENNALE", "BI-EN-NA-LE"}, {"RIANDARE", "RI-AN-DA-RE"}, {"RIALE", "RIA-LE"},
        {"RIONE", "RIO-NE"}, {"TRIANGOLO", "TRI-AN-GO-LO"}, {"QUADRIENNALE", "QUA-DRI-EN-NA-LE"},
        {"L'AMORE", "L'A-MO-RE"}, {"MAI", "MA I"}, {"GAS", "GA S"}, {"PER", "PER-"}, {"IO", "I O"},
        {" CASA", " CA-SA"}, {" BIAVO", " BIA-VO"}, {"LA CASA BELLA", "LA -CA-SA -BEL-LA"},
        {"TUTTO IL MONDO", "TUT-TO- IL- MON-DO"}, {"", ""}
    };
    // clang-format on
    for (const auto& [word, result] : table) EXPECT_EQ(SyllabifyWord(word), result) << word;
}

TEST(SyllabifyWord, AnalysisCopyFoldsAccentsOfBothCasesAndKeepsLength) {
    EXPECT_EQ(syllabifyAnalysisCopy("Citt\xE0"), "CITTA");
    EXPECT_EQ(syllabifyAnalysisCopy("PERCH\xC9 pi\xF9"), "PERCHE PIU");
    const std::string odd("a\x80\0b", 4); // the euro sign and a NUL are no letters
    EXPECT_EQ(syllabifyAnalysisCopy(odd), std::string("A\x80\0B", 4));
}

class SyllabifyLyrics : public ::testing::Test {
protected:
    std::vector<std::string> dump() const { return itemsOf(lyrics); }
    TItemLyr lyrics;
    TItemLyr scratch;
};

TEST_F(SyllabifyLyrics, PiecesKeepSpacesCaseAndAccentsAndStepTheirTicks) {
    double tick = 0;
    for (const char* text : {"casa", " casa", "la casa bella", "tutto il mondo", "Citt\xE0"})
        lyrics.add(text, 0, tick += 100);
    EXPECT_EQ(syllabifyLyrics(lyrics, scratch), 11);
    EXPECT_EQ(dump(), (std::vector<std::string>{"ca@104", "sa@110", " ca@206", "sa@212", "la @306",
                                                "ca@312", "sa @320", "bel@328", "la@334", "tut@406",
                                                "to@412", " il@420", " mon@430", "do@436",
                                                "Cit@506", "t\xE0@512"}));
    EXPECT_EQ(scratch.count(), 0);
}

TEST_F(SyllabifyLyrics, BreaksEmptyAndOneSyllableItemsStayPut) {
    lyrics.add("gas", 0, 100); // GA S
    lyrics.add("per", 0, 130); // PER-: no empty piece after the separator
    lyrics.add("", 0, 140);
    lyrics.add("", 1, 150);
    lyrics.add("mai", 0, 160);
    EXPECT_EQ(syllabifyLyrics(lyrics, scratch), 0);
    EXPECT_EQ(dump(), (std::vector<std::string>{"gas@100", "per@130", "@140", "|@150", "mai@160"}));
    // The list is no scratch space for itself.
    EXPECT_TRUE(syllabifyLyrics(lyrics, lyrics) == 0 && lyrics.count() == 5);
}

// Accented words split and change case the same in every encoding that holds them, a whole
// character at a time; where a code page has no other case the letter stays as it is.
TEST_F(SyllabifyLyrics, AccentedWordsSplitAndChangeCaseAlikeInEveryEncoding) {
    const std::u32string words[] = {U"perch\u00E9", U"citt\u00E0", U"\u00DCbermut",
                                    U"pi\u00F9 cos\u00EC"};
    // Every item of the list, read back to UTF-8.
    const auto after = [&](const TextEncoding& encoding, const auto& step) {
        lyrics.clear();
        for (const std::u32string& w : words) lyrics.add(*encoding.encode(w), 0, 100);
        step();
        std::vector<std::string> out;
        for (const LyrItem* it = lyrics.head(); it; it = it->next)
            out.push_back(toUtf8(it->text, encoding));
        return out;
    };
    const std::vector<std::string> split{"per",      "ch\xC3\xA9", "cit", "t\xC3\xA0",
                                         "\xC3\x9C", "ber",        "mut", "pi\xC3\xB9 ",
                                         "co",       "s\xC3\xAC"};
    const std::vector<std::string> upper{"PERCH\xC3\x89", "CITT\xC3\x80",
                                         std::string("\xC3\x9C") + "BERMUT",
                                         "PI\xC3\x99 COS\xC3\x8C"};
    for (const char* name : {"Windows-1252", "UTF-8", "ISO-8859-15"}) {
        const TextEncoding encoding = *TextEncoding::named(name);
        EXPECT_EQ(after(encoding, [&] { syllabifyLyrics(lyrics, scratch, encoding); }), split)
            << name;
        EXPECT_EQ(after(encoding, [&] { changeTextCase(lyrics, LetterCase::Upper, encoding); }),
                  upper)
            << name;
        const auto lowered = after(encoding, [&] {
            changeTextCase(lyrics, LetterCase::Lower, encoding);
            changeSyllableStartCase(lyrics, 2, 0, LetterCase::Upper, encoding);
        });
        EXPECT_TRUE(lowered[2] == std::string("\xC3\x9C") + "bermut" &&
                    lowered[0] == "perch\xC3\xA9")
            << name;
    }
    // The code page's own pairs: Cyrillic in Windows-1251 and in UTF-8; "\u00FF" has no capital
    // in ISO-8859-1 and stays, Windows-1252 has one.
    const auto upperOf = [](std::u32string_view text, const char* name) {
        const TextEncoding encoding = *TextEncoding::named(name);
        return toUtf8(textInCase(*encoding.encode(text), LetterCase::Upper, encoding), encoding);
    };
    EXPECT_EQ(upperOf(U"\u0434\u0430", "Windows-1251"), "\xD0\x94\xD0\x90");
    EXPECT_EQ(upperOf(U"\u0434\u0430", "UTF-8"), "\xD0\x94\xD0\x90");
    EXPECT_EQ(upperOf(U"\u00FF", "ISO-8859-1"), "\xC3\xBF");
    EXPECT_EQ(upperOf(U"\u00FF", "Windows-1252"), "\xC5\xB8");
    // Bytes that read as no character are kept, not replaced.
    EXPECT_EQ(textInCase("a\xFFz", LetterCase::Upper, TextEncoding::utf8()), "A\xFFZ");
}

// Whatever the text (a "-" of its own included, characters of several bytes, bytes that read as
// nothing), cutting must neither lose nor invent a byte nor split a character, and the pieces'
// ticks must rise.
TEST_F(SyllabifyLyrics, PiecesOfAnyTextJoinBackToIt) {
    std::mt19937 rng(1234);
    const std::string cp1252 = "aeiouAEIOUbcdglmnpqrstvzhjwy' -.,!\xE0\xE8\xC9\xF9\x80\xFF\x01";
    const std::u32string wide = U"aeiouAEIObcdglmnrstz' -\u00E0\u00C9\u0434\u4E2D\U0001F600";
    const TextEncoding utf8 = TextEncoding::utf8();
    for (int round = 0; round < 300; ++round) {
        const bool multiByte = round % 2 == 1;
        const TextEncoding encoding = multiByte ? utf8 : TextEncoding();
        std::uniform_int_distribution<std::size_t> pick(
            0, (multiByte ? wide.size() : cp1252.size()) - 1);
        std::uniform_int_distribution<int> length(1, 300);
        std::string all;
        lyrics.clear();
        for (int i = 0; i < 5; ++i) {
            std::string t;
            for (int n = length(rng); n > 0; --n)
                t += multiByte ? *utf8.encode(wide[pick(rng)]) : std::string(1, cp1252[pick(rng)]);
            all += t;
            lyrics.add(t, 0, 10000.0 * i);
        }
        syllabifyLyrics(lyrics, scratch, encoding);
        std::string joined;
        double last = -1;
        for (const LyrItem* it = lyrics.head(); it; it = it->next) {
            ASSERT_FALSE(it->text.empty());
            ASSERT_GT(it->tick, last);
            ASSERT_TRUE(!multiByte || isValidUtf8(it->text));
            last = it->tick;
            joined += it->text;
        }
        ASSERT_EQ(joined, all);
    }
}

} // namespace
