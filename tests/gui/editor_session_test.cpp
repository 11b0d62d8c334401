#include "core/app/remote_command.h"
#include "gui/app/language_menu_qt.h"
#include "gui/app/main_window.h"
#include "gui/app/message_window.h"
#include "gui/views/background_dialog_qt.h"
#include "gui/views/child_window.h"
#include "gui/views/monitor_view_qt.h"
#include "gui/views/position_slider_qt.h"
#include "session_fixture.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <deque>
#include <filesystem>
#include <tuple>

using namespace cantelo;
using namespace cantelo::test;

namespace {

const char* const kSong = "dmp__twinkle.kar";
const char* const kOtherSong = "fkp__Dont_be_Cruel.kar";

// The song's syllables as one text, to compare what a save kept.
std::string lyricsText(EditorSession& session) {
    std::string text;
    TItemLyr& list = session.document().lyrics().lyrics();
    for (LyrItem* item = list.head(); item; item = item->next)
        text += item->lineBreak ? std::string("/") : item->text;
    return text;
}

} // namespace

// Answers the message windows that the session opens, in order: 1 and 2 press the first and the
// second button, 3 the unsaved-changes question's cancel button, 0 presses Escape. Keeps the
// titles it saw.
class Answerer : public QObject {
public:
    Answerer() {
        connect(&m_poll, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<TFrmMessage*>(QApplication::activeModalWidget());
            if (!box || m_answers.empty()) return;
            const int answer = m_answers.front();
            m_answers.pop_front();
            seen << box->firstButton()->text();
            if (answer == 1)
                box->firstButton()->click();
            else if (answer == 2)
                box->secondButton()->click();
            else if (answer == 0)
                QTest::keyClick(box, Qt::Key_Escape);
            else
                box->findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
        });
        m_poll.start(10);
    }
    void answer(std::initializer_list<int> answers) { m_answers.insert(m_answers.end(), answers); }
    bool done() const { return m_answers.empty(); }
    QStringList seen; // each message's first button caption

private:
    QTimer m_poll;
    std::deque<int> m_answers;
};

class EditorSessionTest : public QObject, private SessionFixture {
    Q_OBJECT
private slots:
    void init() {
        QVERIFY(m_dir.isValid());
        if (!std::filesystem::exists(kCorpus / kSong)) QSKIP("the corpus is missing");
        startSession();
        m_answers = std::make_unique<Answerer>();
    }
    void cleanup() {
        if (m_answers) QVERIFY2(m_answers->done(), "a message that was expected never came");
        m_answers.reset();
        endSession();
    }

    void everyAvailableCommandHasAHandler() {
        for (const CommandRow& row : commandRows())
            if (row.enabling != Enabling::Later)
                QVERIFY2(m_window->dispatcher().hasHandler(row.id), row.name.data());
        // The session's handlers leave with it; the window's own stay.
        m_session.reset();
        QVERIFY(!m_window->dispatcher().hasHandler(CommandId::Open) &&
                m_window->dispatcher().hasHandler(CommandId::Quit));
    }

    void openingEnablesSavingAndOpensThePort() {
        QVERIFY2(!m_session->document().modified(), "a new editor has nothing to save");
        QVERIFY(!m_window->toolButton("tbSalva")->isEnabled());
        QVERIFY(!m_outputs->last);

        QVERIFY(m_session->files().openSong(copyOf(kSong, "a.kar")));
        QCOMPARE(m_window->windowTitle(), QString("a.kar[*] - Cantelo Edit 1.13"));
        QVERIFY(m_window->toolButton("tbSalva")->isEnabled());
        // The port opens once every view has shown the song.
        QTRY_VERIFY(m_outputs->last && m_outputs->last->isOpen());

        // A closed port stays closed through an open.
        m_window->action("mnuChiudiPortaMidi")->trigger();
        QVERIFY(!m_session->device().isOpen());
        const int created = m_outputs->created;
        QVERIFY(m_session->files().openSong(copyOf(kOtherSong, "b.kar")));
        QTest::qWait(20);
        QCOMPARE(m_outputs->created, created);
        QVERIFY(!m_session->device().isOpen());
    }

    void aFailedOpenShowsTheErrorAndDisablesSaving() {
        QVERIFY(m_session->files().openSong(copyOf(kSong, "a.kar")));
        const QString junk = writeBytes(m_dir.filePath("junk.mid"), "not a midi file at all");
        QVERIFY(!junk.isEmpty());
        m_answers->answer({1});
        QVERIFY(!m_session->files().openSong(junk));
        QCOMPARE(m_answers->seen, QStringList{"OK"});
        QVERIFY(!m_window->action("mnuSaveAs")->isEnabled());
    }

    void savedSongsReopenInTheChosenFormatWithTheirLyrics() {
        QVERIFY(m_session->files().openSong(copyOf(kSong, "a.kar")));
        const std::string lyrics = lyricsText(*m_session);
        QVERIFY(lyrics.size() > 20);

        m_answers->answer({1, 2, 2});
        QVERIFY(m_session->files().saveSongAs(m_dir.filePath("zero.mid")) &&
                m_session->files().saveSongAs(m_dir.filePath("one.kar")) &&
                m_session->files().saveSongAs(m_dir.filePath("scrambled.nvk")));
        QCOMPARE(m_answers->seen, (QStringList{"Format 0", "Format 0", "Format 0"}));

        for (const auto& [name, format, scrambled] :
             {std::tuple{"zero.mid", 0, false}, std::tuple{"one.kar", 1, false},
              std::tuple{"scrambled.nvk", 1, true}}) {
            QVERIFY2(m_session->files().openSong(m_dir.filePath(name)), name);
            QCOMPARE(std::pair(m_session->document().song().format,
                               m_session->document().song().scrambled),
                     std::pair(format, scrambled));
            QCOMPARE(lyricsText(*m_session), lyrics);
        }
        // "Salva" keeps the file's own format without asking, and the position read-outs.
        m_window->action("mnuGoEnd")->trigger();
        const QString position = m_window->label("LblszPointer")->text();
        QVERIFY(position != "0001.01.000");
        QVERIFY(m_session->files().saveUnderCurrentName());
        QCOMPARE(m_window->label("LblszPointer")->text(), position);
        QVERIFY(m_session->files().openSong(m_dir.filePath("scrambled.nvk")));
        QCOMPARE(m_session->document().song().format, 1);
    }

    // "Codifica testo" reads the same bytes anew; "Salva con Nome" offers to write them as
    // UTF-8, and the saved song opens as UTF-8 with the same lyrics.
    void theEncodingMenuRereadsTheSongAndSaveAsOffersUtf8() {
        QVERIFY(m_session->files().openSong(
            copyOf("dwm__eros_ramazzotti-piu_bella_cosa.mid", "italian.mid")));
        auto* cp1252 = m_window->findChild<QAction*>(QStringLiteral("mnuEncodingWINDOWS-1252"));
        auto* utf8 = m_window->findChild<QAction*>(QStringLiteral("mnuEncodingUTF-8"));
        QVERIFY(cp1252 && utf8 && cp1252->isChecked());
        const std::string lyrics = lyricsText(*m_session);
        utf8->trigger();
        QVERIFY(utf8->isChecked() && !cp1252->isChecked() &&
                m_session->document().lyrics().textEncoding().isUtf8());
        QVERIFY(m_window->statusBar()->currentMessage().endsWith(QStringLiteral(": UTF-8")));
        QVERIFY(lyricsText(*m_session) == lyrics && !m_session->document().modified());

        cp1252->trigger();
        m_answers->answer({1, 1}); // format 0, then yes to UTF-8
        QVERIFY(m_session->files().saveSongAs(m_dir.filePath("utf8.mid")));
        QCOMPARE(m_answers->seen.size(), 2);
        QVERIFY(m_session->files().openSong(m_dir.filePath("utf8.mid")) && utf8->isChecked());
        QCOMPARE(lyricsText(*m_session), toUtf8(lyrics, TextEncoding()));
        // A UTF-8 song is not asked again.
        m_answers->answer({1});
        QVERIFY(m_session->files().saveSongAs(m_dir.filePath("again.mid")));
        QCOMPARE(fileBytes(m_dir.filePath("again.mid")), fileBytes(m_dir.filePath("utf8.mid")));
    }

    void unsavedChangesAreAskedAboutBeforeAnotherOpen() {
        const QString first = copyOf(kSong, "a.kar");
        const QString second = copyOf(kOtherSong, "b.kar");
        const QByteArray original = fileBytes(first);
        QVERIFY(m_session->files().openSong(first) && !m_session->document().modified());
        typeAtStart('Q');
        QVERIFY(m_session->document().modified());

        // Cancel: nothing opens and the change stays.
        m_answers->answer({3});
        QVERIFY(!m_session->files().openSongAsking(second));
        QVERIFY(openName() == first && typed());

        // Don't save: the other song opens and the file on disk is untouched.
        m_answers->answer({2});
        QVERIFY(m_session->files().openSongAsking(second));
        QVERIFY(fileBytes(first) == original && !m_session->document().modified());

        // Save: the song is written under its own name before the other one opens.
        QVERIFY(m_session->files().openSongAsking(first));
        typeAtStart('Q');
        m_answers->answer({1});
        QVERIFY(m_session->files().openSongAsking(second) && fileBytes(first) != original);
        QVERIFY(m_session->files().openSong(first) && typed());
    }

    // The rules of each command are the transport's; here they reach the session.
    void remoteCommandsOpenPlayAndStop() {
        const QString second = copyOf(kOtherSong, "b.kar");
        QVERIFY(m_session->files().openSong(copyOf(kSong, "a.kar")));
        m_session->handleRemoteCommand(kTagPlay, {});
        QVERIFY(m_session->player().playing());
        typeAtStart('Q');
        m_answers->answer({2}); // a forwarded open stops and asks before it replaces unsaved work
        m_session->handleRemoteCommand(kTagOpenFile, QFile::encodeName(second));
        QVERIFY(!m_session->player().playing() && openName() == second);
        m_session->handleRemoteCommand(kTagPlay, {});
        m_session->handleRemoteCommand(kTagStop, {});
        QVERIFY(!m_session->player().playing());
    }

    void forwardedOpensWaitForAShowingMessageAndOnlyTheLatestRuns() {
        const QString first = copyOf(kSong, "a.kar");
        const QString song = copyOf(kOtherSong, "b.kar");
        QVERIFY(m_session->files().openSong(first));
        QPointer<QWidget> box;
        int stacked = 0; // modal windows shown on top of the message, closed at once
        QTimer guard;
        connect(&guard, &QTimer::timeout, this, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal != box) {
                ++stacked;
                QTest::keyClick(modal, Qt::Key_Escape);
            }
        });
        QTimer::singleShot(0, m_window.get(), [&] {
            box = QApplication::activeModalWidget();
            QVERIFY(box);
            guard.start(10);
            // An unreadable file would show its error on top of the message.
            m_session->handleRemoteCommand(kTagOpenFile,
                                           QFile::encodeName(m_dir.filePath("missing.kar")));
            m_session->handleRemoteCommand(kTagOpenFile, QFile::encodeName(song));
            QCOMPARE(openName(), first);
            QTest::keyClick(box, Qt::Key_Escape);
        });
        ShowMessage(m_window.get(), m_window->language().texts(), Message::BadExtension);
        QTRY_COMPARE(openName(), song);
        QVERIFY(stacked == 0 && !QApplication::activeModalWidget());
    }

    void closingWithUnsavedChangesCanBeCancelled() {
        QVERIFY(m_session->files().openSong(copyOf(kSong, "a.kar")));
        typeAtStart('Q');
        // Escape, like the cancel button, keeps the window and the work: it must never discard.
        m_answers->answer({3, 0});
        QVERIFY(!m_window->close());
        QVERIFY(!m_window->close() && m_window->isVisible());
        m_answers->answer({2});
        QVERIFY(m_window->close() && !m_session->device().isOpen());
    }

    void aFailedSaveShowsItsReasonAndKeepsTheOldFile() {
        // A name so long that no temporary file can be made beside it.
        const QString longName = QString(246, QLatin1Char('x')) + ".kar";
        const QString target = copyOf(kSong, longName);
        const QByteArray original = fileBytes(target);
        QVERIFY(m_session->files().openSong(target));
        typeAtStart('Q');
        m_answers->answer({1});
        QVERIFY(!m_session->files().saveSong(target, kFormatChoice1));
        QCOMPARE(m_answers->seen, QStringList{"OK"});
        QVERIFY(fileBytes(target) == original && m_session->document().modified());
    }

    void playAndStopDriveThePlayerAndTheReadOuts() {
        QVERIFY(m_session->files().openSong(copyOf(kSong, "a.kar")));
        // The button answers the press and stays down after the release while the song plays.
        QToolButton* play = m_window->toolButton("tbPlay");
        QTest::mouseClick(play, Qt::LeftButton);
        QVERIFY(m_session->player().playing());
        QTRY_VERIFY(play->isDown());
        QVERIFY(!m_window->toolButton("tbGoInit")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(m_window->label("LblszPointer2")->text() != "00:00:00:00", 3000);
        m_window->action("mnuStop")->trigger();
        QVERIFY(!m_session->player().playing() && !play->isDown());
        QVERIFY(m_window->toolButton("tbGoInit")->isEnabled());
        QVERIFY(m_outputs->last->shortMessages().size() > 16);
    }

    // The monitor shows the first page once a song opens and wipes each syllable in the sung
    // colour as the display timer passes it; the slider moves the song.
    void theMonitorAndTheSliderFollowThePosition() {
        QVERIFY(m_session->files().openSong(copyOf(kSong, "a.kar")));
        MonitorView& view = m_session->monitor().view();
        LyricsDocument& lyrics = m_session->document().lyrics();
        QVERIFY(!view.monitor().shownLines()[0].empty());
        const auto sungPixels = [&] {
            int n = 0;
            const QImage& image = view.image();
            for (int y = 0; y < view.monitor().geometry().lineStep; ++y)
                for (int x = 0; x < image.width(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    n += c.red() > 200 && c.green() > 200 && c.blue() < 60;
                }
            return n;
        };
        QCOMPARE(sungPixels(), 0);
        const double first = lyricItem(lyrics.lyrics(), 0).tick;
        m_session->player().Locate(static_cast<std::int32_t>(first));
        m_session->updateDisplay();
        QVERIFY(sungPixels() > 20);
        QCOMPARE(view.monitor().nextSyllable(), 1);

        // A click on the slider's bar moves the song there; the monitor follows at once.
        PositionSliderBar* slider = m_window->positionSlider();
        const std::int32_t length = m_session->document().song().songLength;
        QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(PositionSlider::kSpan, 5));
        QCOMPARE(m_session->player().tick(), length);
        QVERIFY(view.monitor().nextSyllable() > 1);
        QCOMPARE(m_window->label("LblszPointer")->text(),
                 QString::fromStdString(m_session->document().songDocument().endLabel));
    }

    // "Sincronizza" turns the monitor into its strip; the space bar in the editor binds the next
    // syllable to the position, other keys change nothing, and Stop gives the windows back.
    void aKeyTapTakeBindsSyllablesAndStopEndsIt() {
        QVERIFY(m_session->files().openSong(copyOf(kSong, "a.kar")));
        MonitorView& monitor = m_session->monitor().view();
        const QSize pageSize = m_window->monitorChild()->clientSize();
        m_window->action("mnuRec")->trigger();
        QVERIFY(m_session->transport().syncRunning() && monitor.inStrip());
        QCOMPARE(m_window->monitorChild()->clientSize(), QSize(500, 36));

        QWidget* editor = m_window->editorChild()->findChild<QWidget*>("EditorPanel");
        QVERIFY(editor);
        const std::string before = lyricsText(*m_session);
        QTest::keyClick(editor, Qt::Key_X);
        QCOMPARE(lyricsText(*m_session), before);
        QTRY_VERIFY(m_session->player().tick() > 0);
        QTest::keyClick(editor, Qt::Key_Space);
        const double tapped = lyricItem(m_session->document().lyrics().lyrics(), 0).tick;
        QVERIFY(tapped > 0 && tapped <= m_session->player().tick());

        m_window->action("mnuStop")->trigger();
        QVERIFY(!m_session->transport().syncRunning() && !monitor.inStrip());
        QCOMPARE(m_window->monitorChild()->clientSize(), pageSize);
        QCOMPARE(lyricItem(m_session->document().lyrics().lyrics(), 0).tick, tapped);
        QVERIFY(m_session->document().modified());
    }

    // Only a colour applied by a double click on its swatch reaches the settings.
    void anAppliedColourReachesTheSettings() {
        const std::uint32_t yellow = m_window->settings().syllableColour;
        m_window->action("mnuBackGround")->trigger();
        auto* dialog = m_window->findChild<BackgroundDialog*>();
        QVERIFY(dialog);
        QWidget* bars = dialog->findChild<QWidget*>("rbTextColour")->parentWidget();
        QTest::mousePress(bars, Qt::LeftButton, {}, QPoint(102, 15)); // red nearly 0
        QTest::mouseRelease(bars, Qt::LeftButton, {}, QPoint(102, 15));
        QCOMPARE(m_window->settings().syllableColour, yellow);
        QTest::mouseDClick(dialog->findChild<QWidget*>("applySwatch"), Qt::LeftButton);
        m_session->monitor().backgroundDialog()->close();
        QTRY_VERIFY(!m_window->findChild<BackgroundDialog*>());
        QCOMPARE(m_window->settings().syllableColour, (yellow & 0xFFFF00) | 1);
    }

    // A shipped picture chosen by a double click becomes the monitor's background and the
    // settings' name; a file that is no picture gives black.
    void aBackgroundPictureIsChosenFromTheDialog() {
        m_window->action("mnuBackGround")->trigger();
        auto* dialog = m_window->findChild<BackgroundDialog*>();
        QVERIFY(dialog);
        const QList<QListWidgetItem*> found =
            dialog->list()->findItems("Notte.jpg", Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        dialog->list()->setCurrentItem(found.front());
        emit dialog->list()->itemDoubleClicked(found.front());
        QCOMPARE(m_window->settings().backgroundName, std::string("Notte.jpg"));
        MonitorView& view = m_session->monitor().view();
        QVERIFY(view.image().pixelColor(2, 2) != QColor(Qt::black));

        QTemporaryDir folder;
        QVERIFY(!writeBytes(folder.filePath("notes.bmp"), "BM not really").isEmpty() &&
                !view.loadBackground({folder.path().toStdString()}, "notes.bmp"));
        view.redraw();
        QCOMPARE(view.image().pixelColor(2, 2), QColor(Qt::black));
    }

    // The commands reach the document from the menus, the tool buttons and the keys, and what
    // they change shows in the frame.
    void wiredCommandsChangeTheDocument() {
        QVERIFY(m_session->files().openSong(copyOf(kSong, "a.kar")) &&
                QTest::qWaitForWindowActive(m_window.get()));
        EditorDocument& doc = m_session->document();
        const std::string opened = lyricsText(*m_session);

        m_window->action("mnuTextToUpperM")->trigger();
        QVERIFY(lyricsText(*m_session) != opened && m_window->isWindowModified());
        m_window->action("mnuPulisciP")->trigger(); // the context-menu twin
        QCOMPARE(lyricsText(*m_session), std::string(36, '/'));
        QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(lyricsText(*m_session), opened);
        QVERIFY(!m_window->isWindowModified());
        QTest::keyClick(m_window.get(), Qt::Key_Y, Qt::ControlModifier);
        QVERIFY(lyricsText(*m_session) != opened);

        // The position commands move the read-outs; the reference takes the position.
        m_window->action("mnuGoEnd")->trigger();
        QCOMPARE(m_window->label("LblszPointer")->text(),
                 m_window->label("LblszLastLocator")->text());
        m_window->action("mnuImpostaPosAgg")->trigger();
        QCOMPARE(doc.reference().tick, m_session->player().tick());
        m_window->toolButton("btnAzzera")->click();
        QCOMPARE(doc.reference().tick, 0);
        m_window->action("mnuGoInit")->trigger();
        QCOMPARE(m_window->label("LblszPointer")->text(), QString("0001.01.000"));
        m_window->action("mnuMantieniAggSN")->trigger();
        QVERIFY(doc.keepBound());

        // The melody channel: its notes for binding, its instrument, and its program sent.
        m_window->melodyChannelBox()->setCurrentIndex(15);
        QTest::keyClick(m_window.get(), Qt::Key_A, Qt::ControlModifier);
        QVERIFY(doc.songDocument().melodyNotes.head());
        QCOMPARE(doc.lyrics().lyrics().head()->tick, doc.songDocument().melodyNotes.head()->tick);
        const std::size_t sent = m_outputs->last->shortMessages().size();
        m_window->melodyChannelBox()->setCurrentIndex(9);
        QCOMPARE(doc.melodyChannel(), 9);
        QCOMPARE(m_outputs->last->shortMessages().size(), sent + 1);
    }

    void choosingAnOutputStoresItAndOpensIt() {
        QVERIFY(writeConfiguration(m_dir.path().toStdString(), Configuration{}));
        emit m_window->outputChosen(1);
        QVERIFY(m_outputs->last->name() == "Recorder B" && m_outputs->last->isOpen());
        QCOMPARE(readConfiguration(m_dir.path().toStdString()).deviceIndex, 1);
    }

private:
    QString openName() { return QString::fromStdString(m_session->document().fileName()); }
    // Whether the 'Q' that typeAtStart types is in the lyrics.
    bool typed() { return lyricsText(*m_session).find('Q') != std::string::npos; }
    void typeAtStart(char c) {
        m_session->document().editor().setCursor(0, 0);
        m_session->document().editor().typeCharacter(c);
    }

    std::unique_ptr<Answerer> m_answers;
};

QTEST_MAIN(EditorSessionTest)
#include "editor_session_test.moc"
