#include "core/song/midi_song.h"
#include "core/song/midi_writer.h"
#include "core/tools/event_lists.h"
#include "gui/app/language_menu_qt.h"
#include "gui/app/main_window.h"
#include "gui/app/message_window.h"
#include "gui/app/tool_windows_qt.h"
#include "gui/views/event_list_qt.h"
#include "gui/views/midi_overview_qt.h"
#include "gui/views/patch_window_qt.h"
#include "session_fixture.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <filesystem>
#include <string>
#include <tuple>

using namespace cantelo;
using namespace cantelo::test;

namespace {

// Many tempo changes and several signatures; the other has a SysEx message.
const char* const kTempoSong = "m2j__intheshadow.mid";
const char* const kSysExSong = "dwm__grease06.mid";

// One channel (3) that plays a note from 0 to 1920 after a volume, without any program change.
const char kPlainSong[] = "MThd\0\0\0\6\0\0\0\1\1\xE0"
                          "MTrk\0\0\0\x11"
                          "\0\xB2\7\x64\0\x92\x3C\x5A\x8F\0\x82\x3C\0\0\xFF\x2F\0";

// Channel 3's program and bank events, as "pc=program@tick" and "ccN=value@tick".
QStringList patchEvents(const CMidiSong& song) {
    QStringList out;
    for (auto& e : song.findTrack(2)->events) {
        const QString at = QStringLiteral("@%1").arg(int(e.tick));
        if (e.status() == 0xC0)
            out << QStringLiteral("pc=%1").arg(static_cast<CObjectEventProgramChange&>(e).program) +
                       at;
        if (e.status() != 0xB0) continue;
        const auto& cc = static_cast<CObjectEventControlChange&>(e);
        if (cc.controller == 0 || cc.controller == 32)
            out << QStringLiteral("cc%1=%2").arg(cc.controller).arg(cc.value) + at;
    }
    return out;
}

// Picks a list's item as a user does: a click opens the list, the keys go to the row.
void choose(QComboBox* box, int index) {
    QTest::mouseClick(box, Qt::LeftButton);
    QAbstractItemView* view = box->view();
    QTRY_VERIFY(view->isVisible());
    QTest::keyClick(view, Qt::Key_Home);
    for (int i = 0; i < index; ++i) QTest::keyClick(view, Qt::Key_Down);
    QTest::keyClick(view, Qt::Key_Return);
    QTRY_VERIFY(!view->isVisible());
    QCOMPARE(box->currentIndex(), index);
}

// Presses the next message window's first button and keeps its caption.
void answerNext(QString* caption) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, caption] {
        auto* box = qobject_cast<TFrmMessage*>(QApplication::activeModalWidget());
        if (!box) return;
        *caption = box->firstButton()->text();
        box->firstButton()->click();
        poll->deleteLater();
    });
    poll->start(10);
}

// Rows as "position value".
QStringList expected(const std::vector<EventRow>& rows) {
    QStringList out;
    for (const EventRow& r : rows) out << QString::fromStdString(r.position + ' ' + r.value);
    return out;
}
QStringList shown(const EventListView* list) {
    return expected(list->rows());
}

} // namespace

class ToolWindowsTest : public QObject, private SessionFixture {
    Q_OBJECT
private slots:
    void init() {
        for (const char* song : {kTempoSong, kSysExSong})
            if (!std::filesystem::exists(kCorpus / song)) QSKIP("the corpus is missing");
        startSession();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }
    void cleanup() { endSession(); }

    // The raise button is the document's tempo edit: one undo step, seen in the list and the
    // song's duration, and Ctrl+Z gives the tempos back.
    void raiseButtonIsOneUndoStep() {
        QVERIFY(m_session->files().openSong(copyOf(kTempoSong)));
        CMidiSong& song = m_session->document().song();
        m_window->action(CommandId::TempoEvents)->trigger();
        ToolWindows& tools = m_session->tools();
        EventListView* list = tools.tempoList();
        QVERIFY(tools.tempoWindow() && list);
        const QStringList before = shown(list);
        QCOMPARE(before, expected(tempoRows(song)));
        list->scrollBar()->setValue(3);
        QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(10, 5));
        QCOMPARE(list->selectedRow(), 3);

        const std::int32_t tempo = song.tempoAt(0);
        const QString length = m_window->label("lblTimeSLength")->text();
        QTest::mouseClick(tools.raiseButton(), Qt::LeftButton);
        QCOMPARE(song.tempoAt(0), tempo + 1);
        QCOMPARE(shown(list), expected(tempoRows(song)));
        QVERIFY(m_window->label("lblTimeSLength")->text() != length &&
                m_window->isWindowModified());

        QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(
            std::tuple(song.tempoAt(0), shown(list), m_window->label("lblTimeSLength")->text()),
            std::tuple(tempo, before, length));
        QVERIFY(!m_window->isWindowModified());

        // Opened again: the same window, in front.
        QMdiSubWindow* frame = tools.tempoWindow();
        m_window->action(CommandId::Measures)->trigger();
        m_window->action(CommandId::TempoEvents)->trigger();
        QVERIFY(tools.tempoWindow() == frame && m_window->workspace()->activeSubWindow() == frame);
        QCOMPARE(m_window->workspace()->subWindowList().count(frame), 1);
    }

    // The lists and the SysEx lines show what the song holds, and follow another song.
    void listsFollowTheSong() {
        QVERIFY(m_session->files().openSong(copyOf(kTempoSong)));
        CMidiSong& song = m_session->document().song();
        m_window->action(CommandId::Measures)->trigger();
        m_window->action(CommandId::SysExViewer)->trigger();
        ToolWindows& tools = m_session->tools();
        const EventListView* measures = tools.measuresList();
        const QPlainTextEdit* sysEx = tools.sysExText();
        QVERIFY(measures && sysEx);
        QCOMPARE(std::pair(shown(measures), sysEx->toPlainText()),
                 std::pair(expected(signatureRows(song)), QString()));

        QVERIFY(m_session->files().openSong(copyOf(kSysExSong)));
        QCOMPARE(shown(measures), expected(signatureRows(song)));
        QStringList lines;
        for (const std::string& line : sysExLines(song)) lines << QString::fromStdString(line);
        QVERIFY(!lines.empty());
        QCOMPARE(sysEx->toPlainText().split(QLatin1Char('\n')), lines);

        // Closed, the window is made afresh the next time.
        tools.sysExWindow()->close();
        QTRY_VERIFY(!tools.sysExWindow());
        m_window->action(CommandId::SysExViewer)->trigger();
        QVERIFY(tools.sysExWindow());
    }

    // Channel and instrument picked with the mouse, MSB typed, "Applica" at tick 480 on a
    // channel without a program change, "Si": the program goes to 480 with its bank select 2
    // ticks before, and is heard at once; Ctrl+Z gives back the song's bytes.
    void patchAppliedAtThePosition() {
        const QString path = writeBytes(m_dir.filePath(QStringLiteral("plain.mid")),
                                        QByteArray(kPlainSong, sizeof kPlainSong - 1));
        QVERIFY(m_session->files().openSong(path));
        QTRY_VERIFY(m_outputs->last && m_outputs->last->isOpen());
        CMidiSong& song = m_session->document().song();
        const std::vector<std::uint8_t> saved = encodeSong(song, song.format, false);
        m_session->player().Locate(480);
        m_session->document().positionMoved();

        m_window->action(CommandId::PatchInstruments)->trigger();
        PatchWindow* patch = m_session->tools().patchView();
        QVERIFY(patch);

        // A channel nothing plays on: refused, the focus on the channel list, nothing changed.
        choose(patch->channelList(), 5);
        choose(patch->instrumentList(), 1);
        QString caption;
        answerNext(&caption);
        QTest::mouseClick(patch->applyButton(), Qt::LeftButton);
        QVERIFY(!caption.isEmpty());
        backToWindow();
        QVERIFY(patch->channelList()->hasFocus() && !m_session->document().canUndo());
        QCOMPARE(encodeSong(song, song.format, false), saved);

        choose(patch->channelList(), 2);
        QCOMPARE(std::pair(m_session->tools().selectedChannel(),
                           patch->instrumentList()->currentIndex()),
                 std::pair(2, 0));
        choose(patch->instrumentList(), 1);
        // The bank fields refuse a fourth digit.
        QSpinBox* lsb = patch->lsbBox();
        lsb->setFocus();
        QTest::keyClicks(lsb, QStringLiteral("1275"));
        QCOMPARE(lsb->text(), QStringLiteral("127"));
        lsb->clear();
        QTest::mouseClick(patch->msbBox(), Qt::LeftButton);
        QTest::keyClicks(patch->msbBox(), QStringLiteral("1"));

        m_session->updateDisplay(); // what the move asked to send again has gone
        const std::size_t sent = m_outputs->last->shortMessages().size();
        answerNext(&caption);
        QTest::mouseClick(patch->applyButton(), Qt::LeftButton);
        QCOMPARE(caption, m_window->language().text(TextId::YesCaption));
        backToWindow();
        QCOMPARE(patchEvents(song),
                 (QStringList{QStringLiteral("pc=0@480"), QStringLiteral("cc0=1@478")}));
        const std::vector<std::uint32_t> shorts = m_outputs->last->shortMessages();
        QCOMPARE(std::vector<std::uint32_t>(shorts.begin() + std::ptrdiff_t(sent), shorts.end()),
                 std::vector<std::uint32_t>{0xC2u});
        QVERIFY(patch->msbBox()->text() == QStringLiteral("1") && m_window->isWindowModified());

        // "Azzera tutti i Banchi" takes the bank select away, and the window shows it.
        m_window->action(CommandId::ClearAllBanks)->trigger();
        QCOMPARE(std::pair(patchEvents(song), patch->msbBox()->text()),
                 std::pair(QStringList{QStringLiteral("pc=0@480")}, QString()));

        QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(patch->msbBox()->text(), QStringLiteral("1"));
        QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(encodeSong(song, song.format, false) == saved &&
                patch->instrumentList()->currentIndex() == 0);

        // Playing sends the programs again: the window drops a choice not applied.
        choose(patch->instrumentList(), 5);
        m_window->action(CommandId::Play)->trigger();
        QVERIFY(m_session->player().playing());
        QTRY_COMPARE(patch->instrumentList()->currentIndex(), 0);
        m_window->action(CommandId::Stop)->trigger();
    }

    // The overview's mouse: a ruler click moves the song, the spinner writes the selected
    // channel's volume at the position and sends it, a row double click selects another channel,
    // whose velocities a menu step then scales; undone, the song saves as it was opened.
    void overviewEditsTheSongAtThePosition() {
        QVERIFY(m_session->files().openSong(copyOf(kTempoSong)));
        QTRY_VERIFY(m_outputs->last && m_outputs->last->isOpen());
        EditorDocument& doc = m_session->document();
        CMidiSong& song = doc.song();
        const QByteArray before = savedBytes();
        m_window->action(CommandId::MidiParameters)->trigger();
        MidiOverview& overview = m_session->tools().overview();
        MidiOverviewPanel* panel = overview.panel();
        QVERIFY(overview.window() && panel && m_session->tools().selectedChannel() == 0);

        QTest::mouseClick(panel, Qt::LeftButton, {}, QPoint(300, 10));
        const std::int32_t tick = song.division() * (300 - kOverviewStripLeft) / kOverviewStartZoom;
        QCOMPARE(std::pair(m_session->player().tick(), panel->lineX()), std::pair(tick, 300));

        VolumeSpinner* spinner = panel->spinner();
        QVERIFY(spinner->isVisible() && spinner->y() == kOverviewRowTop);
        const int from = std::max(song.displayValue(0, DisplayController::Volume), 0);
        QToolButton* arrow = from < 90 ? spinner->upButton() : spinner->downButton();
        const int clicks = std::abs(90 - from);
        QVERIFY(clicks > 0);
        m_outputs->last->clear();
        for (int i = 0; i < clicks; ++i) QTest::mouseClick(arrow, Qt::LeftButton);
        QCOMPARE(std::tuple(song.controllerAt(7, 0, tick),
                            song.displayValue(0, DisplayController::Volume),
                            m_outputs->last->shortMessages().back()),
                 std::tuple(90, 90, packShort(0xB0, 7, 90)));
        // Undone and redone, the row shows the value in force, not the one before the undo.
        const auto shownVolume = [&overview] {
            for (const OverviewText& t : overview.layout().texts())
                if (t.left == OverviewLayout::kVolumeColumn) return t.text; // row 0 comes first
            return std::string();
        };
        QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(shownVolume(), std::to_string(from < 90 ? 89 : 91));
        QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(shownVolume(), std::string("90"));

        // The row of a channel with notes, other than the first.
        const auto hasNotes = [&song](int ch) {
            TChannelItem notes;
            song.noteTable(notes, ch);
            return notes.count() > 0;
        };
        int channel = 1;
        while (channel < kOverviewRowsShown && !hasNotes(channel)) ++channel;
        QVERIFY(channel < kOverviewRowsShown);
        const QPoint row(kOverviewPatchColumn + 10,
                         kOverviewRowTop + channel * kOverviewRowHeight + 5);
        QTest::mouseDClick(panel, Qt::LeftButton, {}, row);
        QCOMPARE(std::pair(m_session->tools().selectedChannel(), spinner->y()),
                 std::pair(channel, kOverviewRowTop + channel * kOverviewRowHeight));
        // While playing, the step restarts playback, and the next display step sends the
        // channel values again (the restart reset the output's controllers).
        const QByteArray louder = savedBytes();
        QVERIFY(m_session->transport().play());
        QTRY_VERIFY(m_session->transport().fullRefreshDone()); // the display timer runs
        m_window->action(CommandId::VelocityDown10)->trigger();
        QVERIFY(m_session->player().playing() && !m_session->transport().fullRefreshDone());
        QTRY_VERIFY(m_session->transport().fullRefreshDone());
        m_session->transport().stop();
        QVERIFY(savedBytes() != louder);

        for (int i = 0; i <= clicks; ++i)
            QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(!doc.canUndo() && savedBytes() == before);
    }

private:
    // The offscreen platform leaves no window active once a message window closes; a desktop
    // gives the activation back to the main window.
    void backToWindow() {
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }
};

QTEST_MAIN(ToolWindowsTest)
#include "tool_windows_test.moc"
