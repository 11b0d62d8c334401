#include "core/view/colour_picker.h"

#include "test_support.h"

#include <gtest/gtest.h>

namespace cantelo {
namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kYellow = 0x00F0F0;

TEST(ColourPickerTest, MarkersSpanTheComponentsAndOpeningKeepsTheColoursExactly) {
    EXPECT_TRUE(ColourPicker::componentAt(101) == 0 && ColourPicker::componentAt(288) == 255);
    ColourPicker p(kWhite, 0x80817F);
    EXPECT_EQ(p.liveSyllable(), 0x80817Fu); // the markers round; the colour does not
    EXPECT_EQ(p.markerX(0), ColourPicker::markerFor(0x7F));
    EXPECT_EQ(p.barColour(0, 187), 0x8081FDu);
}

TEST(ColourPickerTest, OnlyAnAppliedColourOutlivesTheDialog) {
    ColourPicker p(kWhite, kYellow);
    // Dragging the red marker to the far left previews at once.
    ASSERT_TRUE(p.press(200, 15));
    EXPECT_TRUE(p.dragTo(101) && !p.dragTo(289));
    p.release();
    // Closing now would give yellow back.
    EXPECT_EQ(std::pair(p.liveSyllable(), p.savedSyllable()), std::pair(0x00F000u, kYellow));

    // Switching to the text colour drops the unapplied syllable colour.
    p.chooseTarget(ColourPicker::Target::Text);
    EXPECT_EQ(std::pair(p.liveSyllable(), p.liveText()), std::pair(kYellow, kWhite));

    // An applied change stays; the restore swatch gives back the last applied colour.
    ASSERT_TRUE(p.press(101 + 1, 60)); // blue nearly 0
    p.applyColour();
    const std::uint32_t applied = p.savedText();
    EXPECT_TRUE(applied == p.liveText() && applied != kWhite);
    ASSERT_TRUE(p.press(150, 38));
    p.restoreColour();
    EXPECT_EQ(p.liveText(), applied);
    EXPECT_FALSE(p.press(100, 15)); // the hit rectangles are open at their edges
}

TEST(ColourPickerTest, BackgroundsOfEveryFolderAreListedOnceByName) {
    const test::ScratchDir a, b;
    for (const std::filesystem::path& p :
         {a / "sea.bmp", a / "notes.txt", b / "sea.bmp", b / "alps.png"})
        test::writeFile(p, "x");
    EXPECT_EQ(backgroundNames({a.path(), "/nonexistent", b.path()}),
              (std::vector<std::string>{"alps.png", "notes.txt", "sea.bmp"}));
}

} // namespace
} // namespace cantelo
