#include "core/view/editor_layout.h"
#include "gui/app/language_menu_qt.h"
#include "gui/app/main_window.h"
#include "gui/views/cantelo_style_qt.h"
#include "gui/views/child_window.h"
#include "gui/views/editor_panel_qt.h"
#include "session_fixture.h"

#include <QAction>
#include <QComboBox>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QtTest>

#include <filesystem>
#include <string>
#include <tuple>

using namespace cantelo;
using namespace cantelo::test;

namespace {

const std::filesystem::path kSong = std::filesystem::path(CANTELO_CORPUS_DIR) / "dmp__twinkle.kar";

} // namespace

// The editor panel driven by real key and mouse events inside the running frame; what happened
// is read back from the document's lyric list, the editor and the player.
class EditorPanelTest : public QObject, private SessionFixture {
    Q_OBJECT
private slots:
    void init() {
        if (!std::filesystem::exists(kSong)) QSKIP("the corpus is missing");
        QVERIFY(m_dir.isValid());
        startSession();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()) && doc().open(kSong.string()));
        m_panel = m_window->editorChild()->findChild<EditorPanel*>(QStringLiteral("EditorPanel"));
        QVERIFY(m_panel);
    }
    void cleanup() { endSession(); }

    void keysEditTheTextAndMoveTheSongPositionToTheLine() {
        click(0, 0);
        key(Qt::Key_Egrave, QStringLiteral("è"));
        key(Qt::Key_unknown, QStringLiteral("€"));
        key(Qt::Key_Exclam, QStringLiteral("!"), Qt::ShiftModifier); // Shift as the layout gives it
        QSignalSpy refused(m_panel, &EditorPanel::characterRefused);
        key(Qt::Key_unknown, QStringLiteral("ā")); // not in the song's code page
        QCOMPARE(refused.count(), 1);
        QVERIFY(m_window->statusBar()->currentMessage().startsWith(
            m_window->language().text(ExtraTextId::CharacterRefused)));
        key(Qt::Key_B, QStringLiteral("\x02"), Qt::ControlModifier); // a command, not text
        QInputMethodEvent deadKey;                                   // a composed character
        deadKey.setCommitString(QStringLiteral("ü"));
        QApplication::sendEvent(m_panel, &deadKey);
        QCOMPARE(std::pair(line(0).substr(0, 5), editor().cursorColumn()),
                 std::pair(std::string("\xE8\x80!\xFCT"), 4));
        // Ctrl+A binds from the event panel only: in the editor the lyrics stay as they are.
        const auto before = LyricsHistory::itemsOf(doc().lyrics().lyrics());
        QTest::keyClick(m_panel, Qt::Key_A, Qt::ControlModifier);
        QVERIFY(LyricsHistory::itemsOf(doc().lyrics().lyrics()) == before);

        // "How I wonder ...": Enter after the word ends the line there (its space goes),
        // Backspace at column 0 joins the lines again, Delete takes the character after the
        // cursor's; the position follows the edited line, not the arrows.
        const std::string how = line(1);
        click(1, 4);
        QTest::keyClick(m_panel, Qt::Key_Return);
        QCOMPARE(std::pair(line(1), line(2)), std::pair(how.substr(0, 3), how.substr(4)));
        QTest::keyClick(m_panel, Qt::Key_Backspace);
        const std::string joined = how.substr(0, 3) + how.substr(4);
        QCOMPARE(line(1), joined);
        QTest::keyClick(m_panel, Qt::Key_Delete);
        QCOMPARE(line(1), joined.substr(0, 4) + joined.substr(5));
        const std::int32_t lineStart = editor().lineGutterTick(1);
        QCOMPARE(m_session->player().tick(), lineStart);
        QTest::keyClick(m_panel, Qt::Key_Down);
        QCOMPARE(m_session->player().tick(), lineStart);
    }

    void aUtf8SongIsTypedAndSavedInUtf8() {
        QVERIFY(doc().open((kSong.parent_path() / "dmp__Schubert_Standchen.mid").string()) &&
                doc().lyrics().textEncoding().isUtf8());
        click(0, 0);
        key(Qt::Key_Udiaeresis, QStringLiteral("ü"));
        const std::string typed = line(0);
        QVERIFY(editor().cursorColumn() == 2 && typed.starts_with("\xC3\xBC"));
        const std::string saved = m_dir.filePath(QStringLiteral("typed.mid")).toStdString();
        QVERIFY(doc().save(saved, kFormatChoice1).result.ok() && doc().open(saved));
        QCOMPARE(line(0), typed);
    }

    void mousePlacesTheCursorSetsTheStartLineAndMovesThePosition() {
        // The right edge of the third character still hits it; one pixel further, the fourth.
        const int edge = kEditorTextX + m_panel->editorFont().width(line(2).substr(0, 3));
        const int end = static_cast<int>(line(2).size());
        for (auto [x, column] : {std::pair{edge, 2}, {edge + 1, 3}, {m_panel->width() - 12, end}}) {
            press(QPoint(x, 2 * 16 + 8));
            QCOMPARE(editor().cursorColumn(), column);
        }
        QVERIFY(m_panel->hasFocus());

        press(QPoint(70, 3 * 16 + 8));
        QCOMPARE(editor().bindStartLine(), 3);

        // A gutter double click: the cursor to the line's start, the position to its tick; while
        // playing (Ctrl+Space from the editor) the song plays on from there.
        const std::int32_t target = editor().lineGutterTick(5);
        QTest::mouseDClick(m_panel, Qt::LeftButton, {}, QPoint(20, 5 * 16 + 8));
        QCOMPARE(
            std::tuple(editor().currentLine(), editor().cursorColumn(), m_session->player().tick()),
            std::tuple(5, 0, target));
        QTest::keyClick(m_panel, Qt::Key_Space, Qt::ControlModifier);
        QVERIFY(m_session->player().playing());
        const std::int32_t earlier = editor().lineGutterTick(2);
        QTest::mouseDClick(m_panel, Qt::LeftButton, {}, QPoint(20, 2 * 16 + 8));
        QVERIFY(m_session->player().playing());
        QVERIFY(m_session->player().tick() >= earlier && m_session->player().tick() < target);
        QTest::keyClick(m_panel, Qt::Key_Space, Qt::ControlModifier);
        QVERIFY(!m_session->player().playing());
    }

    void startLettersAndTheCursorArePaintedWhereTheLayoutPutsThem() {
        click(1, 0);
        const EditorLayout layout = layoutEditor(doc(), m_panel->editorFont().measure(),
                                                 m_panel->width(), m_panel->height());
        const QImage& image = m_panel->backBuffer();
        // The hue of the most saturated pixel of a start letter's cell.
        const auto hue = [&](const EditorRow& row, const EditorStartLetter& s) {
            const int w = m_panel->editorFont().width(s.letter);
            QColor best = Qt::white;
            for (int x = s.x; x < s.x + w; ++x)
                for (int y = row.top + 2; y < row.top + 15; ++y)
                    if (image.pixelColor(x, y).hsvSaturation() > best.hsvSaturation())
                        best = image.pixelColor(x, y);
            return best.hsvHue();
        };
        const EditorRow& current = layout.rows.at(1);
        const EditorRow& other = layout.rows.at(2);
        QVERIFY(current.startLetters.size() > 1 && !other.startLetters.empty());
        QCOMPARE(hue(other, other.startLetters[0]), 0);                           // red
        QCOMPARE(hue(current, current.startLetters[1]), QColor(Qt::green).hue()); // green
        QVERIFY(layout.cursor);
        QCOMPARE(image.pixelColor(layout.cursor->x, layout.cursor->top), QColor(Qt::black));
    }

    void theEditorKeepsTheFocusAndFollowsItsWindowsSize() {
        QWidget* elsewhere = m_window->melodyChannelBox();
        for (CommandId text : {CommandId::AllUpperCase, CommandId::Undo}) {
            elsewhere->setFocus();
            QTRY_VERIFY(elsewhere->hasFocus());
            m_window->action(text)->trigger();
            QTRY_VERIFY(m_panel->hasFocus());
        }

        TMDIChild* child = m_window->editorChild();
        auto* bar = child->findChild<QScrollBar*>(QStringLiteral("sBar1"));
        QVERIFY(child->userResizable() && bar);
        const QMargins m = child->frameMargins();
        child->resize(QSize(5000, 5000));
        QCOMPARE(child->clientSize(), QSize(420, 577));
        child->resize(QSize(300 + m.left() + m.right(), 160 + m.top() + m.bottom()));
        QCOMPARE(child->clientSize(), QSize(300, 160));
        QTRY_COMPARE(m_panel->size(), QSize(298, 160));
        QCOMPARE(std::pair(editor().visibleRows(), bar->maximum()),
                 std::pair(10, editor().scrollMaximum()));
        // The scroll bar moves the text; the cursor line's marks turn blue.
        bar->setValue(2);
        QVERIFY(editor().firstVisibleLine() == 2 && m_panel->marksScrolled());
        // Scrolled, an edit still brings the position to its own line's start.
        press(QPoint(kEditorTextX + 1, 3 * 16 + 8));
        key(Qt::Key_X, QStringLiteral("x"));
        QCOMPARE(std::pair(editor().currentLine(), m_session->player().tick()),
                 std::pair(5, editor().lineGutterTick(5)));
        QVERIFY(!m_panel->marksScrolled());
    }

private:
    EditorDocument& doc() { return m_session->document(); }
    LyricsEditor& editor() { return doc().editor(); }
    std::string line(int i) {
        const KLItem* shown = doc().lyrics().lineList().item(i);
        return shown ? shown->text : std::string();
    }
    void press(QPoint at) { QTest::mouseClick(m_panel, Qt::LeftButton, {}, at); }
    // A press just right of the left edge of character `column` of line `line` (the text shows
    // from its first line).
    void click(int line, int column) {
        const std::string before = this->line(line).substr(0, static_cast<std::size_t>(column));
        press(QPoint(kEditorTextX + 1 + m_panel->editorFont().width(before), line * 16 + 8));
        QCOMPARE(std::pair(editor().currentLine(), editor().cursorColumn()),
                 std::pair(line, column));
    }
    void key(Qt::Key code, const QString& text, Qt::KeyboardModifiers modifiers = {}) {
        QTest::sendKeyEvent(QTest::Click, m_panel, code, text, modifiers);
    }

    EditorPanel* m_panel = nullptr;
};

QTEST_MAIN(EditorPanelTest)
#include "editor_panel_test.moc"
