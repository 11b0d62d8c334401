#include "core/lyrics/lyrics_model.h"
#include "gui/app/main_window.h"
#include "gui/views/cantelo_style_qt.h"
#include "gui/views/grid_controller_qt.h"
#include "gui/views/grid_panel_qt.h"
#include "session_fixture.h"

#include <QAction>
#include <QComboBox>
#include <QtTest>

#include <filesystem>
#include <tuple>

using namespace cantelo;
using namespace cantelo::test;

namespace {

// 192 ticks a quarter; a syllable every two quarters from measure 3 ("Twin" at tick 1536, x 192
// at zoom 24); its melody is on channel 16.
const char* const kSong = "dmp__twinkle.kar";
constexpr int kMelodyChannel = 15;

QPoint inside(const RectItem& box) {
    return {box.left + 2, box.top + 4};
}

} // namespace

class GridPanelTest : public QObject, private SessionFixture {
    Q_OBJECT
private slots:
    void init() {
        if (!std::filesystem::exists(kCorpus / kSong)) QSKIP("the corpus is missing");
        startSession();
        QVERIFY(m_session->files().openSong(QString::fromStdString((kCorpus / kSong).string())));
        m_window->melodyChannelBox()->setCurrentIndex(kMelodyChannel);
        QVERIFY(m_session->document().songDocument().melodyNotes.count() > 0);
    }
    void cleanup() { endSession(); }

    void paintsTheCoreListsWithOverlaysOnTop() {
        const GridLayout& layout = grid().layout();
        const QImage& image = panel()->backBuffer();
        const RectItem* syllable = layout.syllableHits().head();
        const RectItem* note = layout.noteHits().head();
        QVERIFY(syllable && note && syllable->left == 192);
        QCOMPARE(std::pair(image.pixelColor(syllable->left, syllable->top),
                           image.pixelColor(note->left, note->top)),
                 std::pair(colourFromBgr(kSyllableColour), colourFromBgr(kNoteColour)));

        // The position cursor is drawn over the buffer, not into it.
        QTest::mousePress(panel(), Qt::LeftButton, {}, QPoint(100, 5));
        // 192 x 100 / 24.
        QCOMPARE(std::pair(m_session->player().tick(), panel()->cursorX()), std::pair(800, 100));
        QCOMPARE(
            std::pair(panel()->grab().toImage().pixelColor(101, 50), image.pixelColor(101, 50)),
            std::pair(colourFromBgr(kCursorColour), QColor(Qt::white)));

        // The zoom command reaches the view (where the cursor lands is the scroll's own rule).
        m_window->action(CommandId::ZoomIn)->trigger();
        QCOMPARE(std::pair(grid().scroll().zoom, panel()->cursorX()), std::pair(48, 200));
    }

    void dragMovesOneSyllableAsOneUndoStep() {
        TItemLyr& list = lyrics();
        const RectItem box = *grid().layout().syllableHits().head();
        const double next = lyricItem(list, box.index + 1).tick;
        QTest::mousePress(panel(), Qt::LeftButton, {}, inside(box));
        QTest::mouseMove(panel(), inside(box) + QPoint(12, 0));
        QVERIFY(panel()->alignX().has_value());
        QTest::mouseMove(panel(), inside(box) + QPoint(24, 0));
        QTest::mouseRelease(panel(), Qt::LeftButton, {}, inside(box) + QPoint(24, 0));
        QCOMPARE(std::pair(lyricItem(list, box.index).tick, lyricItem(list, box.index + 1).tick),
                 std::pair(box.tick + 192, next));
        QVERIFY(!panel()->alignX().has_value());
        QVERIFY(m_session->document().undo());
        QCOMPARE(lyricItem(lyrics(), box.index).tick, box.tick);
    }

    void manualPositioningDragsTheRestOfTheText() {
        m_window->action(CommandId::ManualPositioning)->trigger();
        QVERIFY(m_session->document().manualPositioning());
        const RectItem box = *grid().layout().syllableHits().head()->next;
        std::vector<double> before;
        for (const LyrItem* it = lyrics().head(); it; it = it->next) before.push_back(it->tick);
        QTest::mousePress(panel(), Qt::LeftButton, {}, inside(box));
        QTest::mouseMove(panel(), inside(box) + QPoint(30, 0));
        QTest::mouseMove(panel(), inside(box) + QPoint(48, 0));
        QTest::mouseRelease(panel(), Qt::LeftButton, {}, inside(box) + QPoint(48, 0));
        int i = 0;
        for (const LyrItem* it = lyrics().head(); it; it = it->next, ++i)
            QCOMPARE(it->tick, before[i] + (i < box.index ? 0 : 384));
    }

    void doubleClickSplits() {
        const RectItem box = *grid().layout().syllableHits().head();
        QCOMPARE(box.text, std::string("Twin"));
        const int tw = panel()->gridFont().width("Tw");
        doubleClick(QPoint(box.left + tw + 1, box.top + 4));
        const LyrItem& second = lyricItem(lyrics(), box.index + 1);
        QCOMPARE(std::tuple(lyricItem(lyrics(), box.index).text, second.text, second.tick),
                 std::tuple(std::string("Tw"), std::string("in"), box.tick + 10));
    }

    void hoverAuditionsAndAttachBindsToTheNextNote() {
        const GridLayout& layout = grid().layout();
        const RectItem* note = layout.noteHits().head();
        while (note && syllableAt(layout.syllableHits(), note->left, note->top)) note = note->next;
        QVERIFY(note);
        const RectItem noteBox = *note;
        const RectItem syllable = *layout.syllableHits().head()->next->next;
        QVERIFY(syllable.tick != noteBox.tick);

        // Passing over a note sounds its key on the melody channel until the timer ends it.
        QTRY_VERIFY(m_outputs->last && m_session->device().isOpen());
        m_outputs->last->clear();
        QTest::mouseMove(panel(), QPoint(noteBox.left, noteBox.top));
        const std::uint32_t on = (0x90u | kMelodyChannel) |
                                 (static_cast<std::uint32_t>(noteBox.text[0]) << 8) | (127u << 16);
        // Any note still sounding is stopped first.
        const std::vector<std::uint32_t> sent = m_outputs->last->shortMessages();
        QCOMPARE(sent.size(), 2u);
        QCOMPARE(std::pair(sent[0] & 0xF0u, sent[1]), std::pair(0x80u, on));
        QTRY_COMPARE(m_outputs->last->shortMessages().back() & 0xF0u, 0x80u);

        QTest::mouseMove(panel(), inside(syllable));
        m_window->action(CommandId::BindToNote)->trigger();
        QTest::mouseMove(panel(), QPoint(400, 5));
        QTest::mouseMove(panel(), QPoint(noteBox.left, noteBox.top));
        QCOMPARE(lyricItem(lyrics(), syllable.index).tick, noteBox.tick);
    }

private:
    // QTest's double click ends on the second press; a real one releases the button.
    void doubleClick(QPoint at) {
        QTest::mouseDClick(panel(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(panel(), Qt::LeftButton, {}, at);
    }
    GridController& grid() { return m_session->grid(); }
    GridPanel* panel() { return grid().panel(); }
    TItemLyr& lyrics() { return m_session->document().lyrics().lyrics(); }
};

QTEST_MAIN(GridPanelTest)
#include "grid_panel_test.moc"
