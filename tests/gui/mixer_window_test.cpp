#include "core/document/display_step.h"
#include "gui/app/main_window.h"
#include "gui/app/mixer_link_qt.h"
#include "gui/views/mixer_panel_qt.h"
#include "gui/views/vu_meter_qt.h"
#include "session_fixture.h"

#include <QAction>
#include <QMdiSubWindow>
#include <QWheelEvent>
#include <QtTest>

#include <filesystem>

using namespace cantelo;
using namespace cantelo::test;

namespace {

const char* const kSong = "dmp__twinkle.kar";

QPoint centre(const MixerItem& item) {
    return {(item.left + item.right) / 2, (item.top + item.bottom) / 2};
}

} // namespace

class MixerWindowTest : public QObject, private SessionFixture {
    Q_OBJECT
private slots:
    void init() {
        if (!std::filesystem::exists(kCorpus / kSong)) QSKIP("the corpus is missing");
        startSession();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }
    void cleanup() { endSession(); }

    // The fader and the knobs through the mouse, the wheel and the keys: the song at the
    // position, the output, the redraw, and Ctrl+Z giving back the song's bytes.
    void controlsChangeTheSongAndTheOutput() {
        QVERIFY(m_session->files().openSong(copyOf(kSong)));
        QTRY_VERIFY(m_outputs->last && m_outputs->last->isOpen());
        EditorDocument& doc = m_session->document();
        CMidiSong& song = doc.song();
        int used = 0;
        while (used < kChannels && !song.channelUsed[static_cast<std::size_t>(used)]) ++used;
        QVERIFY(used < kChannels);

        m_window->action(CommandId::Mixer)->trigger();
        MixerLink& link = m_session->mixer();
        MixerPanel* panel = link.panel();
        QVERIFY(panel && link.window());
        Mixer& mixer = link.mixer();

        mixer.SetMixValue(used, 100, 7);
        const QByteArray before = savedBytes();
        m_outputs->last->clear();
        mixer.layout();
        const QPoint fader = centre(*mixer.findItem(used * 8));
        QCOMPARE(mixer.findItem(used * 8)->value, 100);
        QTest::mousePress(panel, Qt::LeftButton, {}, fader);
        QTest::mouseMove(panel, fader - QPoint(0, 100));
        QTest::mouseMove(panel, fader - QPoint(0, 200));
        QTest::mouseRelease(panel, Qt::LeftButton, {}, fader - QPoint(0, 200));
        const std::uint32_t full = 0x7F07B0u | static_cast<std::uint32_t>(used);
        QVERIFY(m_outputs->last->shortMessages().back() == full && m_window->isWindowModified());
        mixer.layout();
        QCOMPARE(std::pair(song.controllerAt(7, used, 0), mixer.findItem(used * 8)->value),
                 std::pair(127, 127));

        // The drag was one step: one Ctrl+Z gives back the song, the shown value and the sound.
        QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(savedBytes(), before);
        mixer.layout();
        QCOMPARE(mixer.findItem(used * 8)->value, 100);
        QVERIFY(m_outputs->last->shortMessages().back() == (0x6407B0u | std::uint32_t(used)));

        // The wheel and the Up key each turn the pan knob one step.
        const MixerItem pan = *mixer.findItem(used * 8 + 1);
        QWheelEvent wheel(centre(pan), panel->mapToGlobal(centre(pan)), {}, {0, 120}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(panel, &wheel);
        QCOMPARE(song.controllerAt(10, used, 0), pan.value + 1);
        panel->setFocus();
        QTest::keyClick(panel, Qt::Key_Up);
        QCOMPARE(song.controllerAt(10, used, 0), pan.value + 2);
    }

    // A note seen by the display timer lights its channel's meter; each step repaints only the
    // segments it changed.
    void meterFollowsTheDisplayTimer() {
        m_window->action(CommandId::Mixer)->trigger();
        MixerPanel* panel = m_session->mixer().panel();
        QVERIFY(panel && panel->meter());
        VuMeterWidget* meter = panel->meter();
        CMidiSong& song = m_session->document().song();
        song.setDisplayValue(2, DisplayController::Volume, 127);
        song.setNoteSent(2, true);
        song.setNoteSent(5, false);
        m_session->player().Locate(480); // the display step looks when the position moved
        m_session->updateDisplay();
        for (int run = 0; run < kMeterSegments; ++run) {
            meter->step();
            const QRect repainted = meter->lastRepaint().boundingRect();
            QVERIFY(repainted.width() <= 3 && repainted.height() <= 7);
        }
        for (int i = 0; i < kMeterSegments; ++i) QVERIFY(meter->segmentLit(2, i));
        QVERIFY(meter->animation().peak(2) == 12 && !meter->segmentLit(5, 0));
    }
};

QTEST_MAIN(MixerWindowTest)
#include "mixer_window_test.moc"
