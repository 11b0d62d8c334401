#include "test_support.h"

#include "core/document/editor_document.h"
#include "core/tools/patch_tool.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace cantelo {
namespace {

using test::SmfFile;
using test::SmfTrack;

class PatchToolTest : public ::testing::Test {
protected:
    void open(SmfTrack& track) {
        track.noteOn(0, 2, 60, 90).noteOff(1920, 2, 60).endOfTrack();
        ASSERT_TRUE(
            doc.open(test::writeFile(dir.path() / "p.mid", SmfFile(0, 480).track(track).bytes())));
    }
    // Channel 2's program and bank events as "status:number=value@tick".
    std::vector<std::string> controls() {
        std::vector<std::string> out;
        for (auto& e : test::trackOf(doc.song(), 2)->events) {
            const std::string at = "@" + std::to_string(e.tick);
            if (e.status() == 0xC0)
                out.push_back(
                    "pc=" + std::to_string(static_cast<CObjectEventProgramChange&>(e).program) +
                    at);
            if (e.status() != 0xB0) continue;
            auto& cc = static_cast<CObjectEventControlChange&>(e);
            if (cc.controller == 0 || cc.controller == 32)
                out.push_back("cc" + std::to_string(cc.controller) + "=" +
                              std::to_string(cc.value) + at);
        }
        return out;
    }
    test::ScratchDir dir;
    EditorDocument doc;
    bool yes = true;
    std::function<bool()> answer = [this] { return yes; };
};

TEST_F(PatchToolTest, ProgramCreatedAtThePositionWithItsBank) {
    SmfTrack track;
    track.event(0, {0xB2, 7, 100});
    open(track);
    const PatchOutcome at480 = applyPatch(doc, 2, 1, 1, -1, 480, answer);
    ASSERT_TRUE(at480.result);
    EXPECT_EQ(at480.sendProgram, 0);
    EXPECT_EQ(controls(), (std::vector<std::string>{"pc=0@480", "cc0=1@478"}));
    const PatchView view = loadPatch(doc.song(), 2, 600);
    EXPECT_EQ(std::tuple(view.instrument, view.msb, view.lsb), std::tuple(1, 1, -1));
    // The same patch again changes nothing.
    EXPECT_EQ(applyPatch(doc, 2, 1, 1, -1, 600, answer).result.reason, FailureReason::NothingToDo);
    // Emptying MSB deletes the bank select that belonged to the program.
    ASSERT_TRUE(applyPatch(doc, 2, 1, -1, -1, 600, answer).result);
    EXPECT_EQ(controls(), (std::vector<std::string>{"pc=0@480"}));
    ASSERT_TRUE(doc.undo() && doc.undo());
    EXPECT_TRUE(controls().empty());

    ASSERT_TRUE(applyPatch(doc, 2, 1, 1, -1, 0, answer).result);
    EXPECT_EQ(controls(), (std::vector<std::string>{"pc=0@2", "cc0=1@0"}));
}

TEST_F(PatchToolTest, AnsweringNoKeepsOnlyTheBankValues) {
    SmfTrack track;
    track.event(0, {0xB2, 7, 100}).event(0, {0xB2, 0, 4});
    open(track);
    yes = false;
    const PatchOutcome out = applyPatch(doc, 2, 10, 6, -1, 480, answer);
    ASSERT_TRUE(out.result);
    EXPECT_EQ(controls(), (std::vector<std::string>{"cc0=6@0"}));
    EXPECT_TRUE(out.sendProgram == -1 && !doc.song().insertAtPosition);
    // Answered "Si" with an LSB of its own: the LSB goes 5 ticks after the MSB it belongs to.
    yes = true;
    ASSERT_TRUE(applyPatch(doc, 2, 10, 6, 3, 480, answer).result);
    EXPECT_EQ(controls(), (std::vector<std::string>{"cc0=6@0", "cc32=3@5", "pc=9@480"}));
    EXPECT_FALSE(doc.song().insertAtPosition);
}

// An MSB added to an LSB at the very start lands at tick 0, never before it.
TEST_F(PatchToolTest, MsbBeforeAnEarlyLsbStaysInTheSong) {
    SmfTrack track;
    track.event(0, {0xB2, 7, 100}).event(2, {0xB2, 32, 4}).event(1, {0xC2, 5});
    open(track);
    ASSERT_TRUE(applyPatch(doc, 2, 6, 8, 4, 480, answer).result);
    EXPECT_EQ(controls(), (std::vector<std::string>{"cc32=4@2", "pc=5@3", "cc0=8@0"}));
    EXPECT_EQ(loadPatch(doc.song(), 2, 480).msb, 8);
}

TEST_F(PatchToolTest, BankFarBeforeTheProgramIsNotItsOwn) {
    SmfTrack track;
    track.event(0, {0xB2, 7, 100}).event(100, {0xB2, 0, 4}).event(11, {0xC2, 5});
    open(track);
    EXPECT_EQ(
        std::pair(loadPatch(doc.song(), 2, 300).msb, loadPatch(doc.song(), 2, 300).instrument),
        std::pair(-1, 6));
    ASSERT_TRUE(applyPatch(doc, 2, 6, 9, -1, 300, answer).result);
    const auto after = controls();
    EXPECT_EQ(after.front(), "cc0=4@100");
    EXPECT_NE(std::find(after.begin(), after.end(), "cc0=9@109"), after.end());
}

TEST_F(PatchToolTest, RefusalsAndBankDigits) {
    SmfTrack track;
    track.event(0, {0xB2, 7, 100});
    open(track);
    EXPECT_EQ(applyPatch(doc, 5, 1, -1, -1, 0, answer).refusal, PatchRefusal::ChannelNotInUse);
    EXPECT_EQ(applyPatch(doc, 2, 0, -1, -1, 0, answer).refusal, PatchRefusal::NoInstrument);
    EXPECT_FALSE(doc.canUndo() || doc.song().insertAtPosition);
    EXPECT_TRUE(bankTextAllowed("127") && bankTextAllowed(""));
    for (const char* refused : {"128", "0127", "1a", "-1"}) // "0127": a fourth digit
        EXPECT_FALSE(bankTextAllowed(refused)) << refused;
    EXPECT_TRUE(bankFieldValue("127") == 127 && bankFieldValue("") == -1 &&
                bankFieldText(-1) == "");

    const std::vector<std::string> items = instrumentItems(doc.song());
    ASSERT_EQ(items.size(), 129u);
    EXPECT_EQ(std::tuple(items[0], items[1], items[128].substr(0, 6)),
              std::tuple("==================", "000 - Grand Piano", "127 - "));
}

} // namespace
} // namespace cantelo
