#include "core/lyrics/syllabify.h"

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
    const char* const table[][2] = {
        {"CASA", "CA-SA"},
        {"AMORE", "A-MO-RE"},
        {"BELLO", "BEL-LO"},
        {"TERRA", "TER-RA"},
        {"PASTA", "PA-STA"},
        {"ALTRO", "AL-TRO"},
        {"BAGNO", "BA-GNO"},
        {"ANCHE", "AN-CHE"},
        {"PSICOLOGO", "PSI-CO-LO-GO"},
        {"PIANO", "PIA-NO"},
        {"QUIETE", "QUIE-TE"},
        {"RUINA", "RU-I-NA"},
        {"PAURA", "PA-U-RA"},
        {"BIAVO", "BI-A-VO"},
        {"BIENNALE", "BI-EN-NA-LE"},
        {"RIANDARE", "RI-AN-DA-RE"},
        {"RIALE", "RIA-LE"},
        {"RIONE", "RIO-NE"},
        {"TRIANGOLO", "TRI-AN-GO-LO"},
        {"QUADRIENNALE", "QUA-DRI-EN-NA-LE"},
        {"L'AMORE", "L'A-MO-RE"},
        {"MAI", "MA I"},
        {"GAS", "GA S"},
        {"PER", "PER-"},
        {"IO", "I O"},
        {" CASA", " CA-SA"},
        {" BIAVO", " BIA-VO"},
        {"LA CASA BELLA", "LA -CA-SA -BEL-LA"},
        {"TUTTO IL MONDO", "TUT-TO- IL- MON-DO"},
        {"", ""},
    };
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
    lyrics.add("casa", 0, 100);
    lyrics.add(" casa", 0, 200);
    lyrics.add("la casa bella", 0, 300);
    lyrics.add("tutto il mondo", 0, 400);
    lyrics.add("Citt\xE0", 0, 500);
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
    EXPECT_EQ(syllabifyLyrics(lyrics, lyrics), 0); // the list is no scratch space for itself
    EXPECT_EQ(lyrics.count(), 5);
}

// Whatever the bytes (a "-" of the text's own included), cutting must neither lose nor invent a
// character, and the pieces' ticks must rise.
TEST_F(SyllabifyLyrics, PiecesOfAnyTextJoinBackToIt) {
    std::mt19937 rng(1234);
    const std::string alphabet = "aeiouAEIOUbcdglmnpqrstvzhjwy' -.,!\xE0\xE8\xC9\xF9\x80\xFF\x01";
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(1, 300);
    for (int round = 0; round < 300; ++round) {
        std::string all;
        lyrics.clear();
        for (int i = 0; i < 5; ++i) {
            std::string t;
            for (int n = length(rng); n > 0; --n) t += alphabet[pick(rng)];
            all += t;
            lyrics.add(t, 0, 10000.0 * i);
        }
        syllabifyLyrics(lyrics, scratch);
        std::string joined;
        double last = -1;
        for (const LyrItem* it = lyrics.head(); it; it = it->next) {
            ASSERT_FALSE(it->text.empty());
            ASSERT_GT(it->tick, last);
            last = it->tick;
            joined += it->text;
        }
        ASSERT_EQ(joined, all);
    }
}

} // namespace
