#include "core/tools/event_lists.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace cantelo {
namespace {

TEST(EventListsTest, TempoAndSignatureRowsWithTheirDefaults) {
    CMidiSong song;
    const auto tempos = tempoRows(song);
    ASSERT_EQ(tempos.size(), 1u);
    EXPECT_TRUE(tempos[0].position == "0001.01.000" && tempos[0].value == "120");
    const auto signatures = signatureRows(song);
    ASSERT_EQ(signatures.size(), 1u);
    EXPECT_EQ(signatures[0].value, "4/4");

    const std::uint8_t sixEight[4] = {6, 3, 24, 8};
    song.setTimeSignatureAt(0, sixEight);
    EXPECT_EQ(signatureRows(song).at(0).value, "6/8");
    for (int i = 0; i < 10; ++i) song.setTempoAt(i * 480, 100 + i);
    const auto ten = tempoRows(song);
    ASSERT_EQ(ten.size(), 10u);
    EXPECT_EQ(ten[9].value, "109");
}

TEST(EventListsTest, ScrollAndRowHits) {
    EXPECT_EQ((std::vector{eventListScrollMaximum(10), eventListScrollMaximum(7),
                           eventListScrollMaximum(1)}),
              (std::vector{3, 0, 0}));
    EXPECT_EQ((std::vector{eventRowAt(33, 2, 10), eventRowAt(15, 9, 10), eventRowAt(16, 9, 10),
                           eventRowAt(-1, 0, 10)}),
              (std::vector{4, 9, -1, -1}));
}

TEST(EventListsTest, SysExLines) {
    const std::vector<std::uint8_t> yamaha = {0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7};
    EXPECT_EQ(sysExLine(yamaha), "F0 43 10 4C 00 00 7E 00 F7 ");
    const std::vector<std::uint8_t> longOne(500, 0x05);
    const std::string line = sysExLine(longOne);
    EXPECT_TRUE(line.size() <= kSysExLineLimit && line.size() == 3u + 340u * 3u) << line.size();
    EXPECT_EQ(line.substr(0, 6), "F0 05 ");

    CMidiSong song;
    EXPECT_TRUE(sysExLines(song).empty());
    const std::vector<std::uint8_t> reset = {0x7E, 0x7F, 0x09, 0x01, 0xF7};
    song.addSysEx(reset, 0);
    song.addSysEx(yamaha, 10);
    EXPECT_EQ(sysExLines(song),
              (std::vector<std::string>{"F0 7E 7F 09 01 F7 ", "F0 43 10 4C 00 00 7E 00 F7 "}));
}

} // namespace
} // namespace cantelo
