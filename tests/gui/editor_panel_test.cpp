#include "core/playback/recording_output.h"
#include "core/view/editor_layout.h"
#include "gui/app/editor_session_qt.h"
#include "gui/app/main_window.h"
#include "gui/views/cantelo_style_qt.h"
#include "gui/views/child_window.h"
#include "gui/views/editor_panel_qt.h"

#include <QAction>
#include <QComboBox>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using namespace cantelo;

namespace {

const std::filesystem::path kSong = std::filesystem::path(CANTELO_CORPUS_DIR) / "dmp__twinkle.kar";

class RecorderOutputs final : public OutputProvider {
public:
    std::vector<std::string> list() override { return {"Recorder"}; }
    std::unique_ptr<MidiOutput> create(int) override {
        return std::make_unique<RecordingOutput>("Recorder");
    }
};

} // namespace

// The editor panel driven by real key and mouse events inside the running frame; what happened
// is read back from the document's lyric list, the editor and the player.
class EditorPanelTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        if (!std::filesystem::exists(kSong)) QSKIP("the corpus is missing");
        QVERIFY(m_dir.isValid());
        m_window = std::make_unique<TCanteloEd1>(Configuration{}, "/nonexistent/reg.cne");
        m_session = std::make_unique<EditorSession>(*m_window, std::make_unique<RecorderOutputs>(),
                                                    m_dir.path().toStdString());
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        QVERIFY(doc().open(kSong.string()));
        m_panel = m_window->editorChild()->findChild<EditorPanel*>(QStringLiteral("EditorPanel"));
        QVERIFY(m_panel);
    }
    void cleanup() {
        m_session.reset();
        m_window.reset();
    }

    void typedCharactersComeFromTheLayoutAndAccentsAreKept() {
        click(0, 0);
        key(Qt::Key_Egrave, QStringLiteral("è"));
        key(Qt::Key_unknown, QStringLiteral("€"));
        key(Qt::Key_Exclam, QStringLiteral("!"), Qt::ShiftModifier); // Shift as the layout gives it
        key(Qt::Key_unknown, QStringLiteral("ā"));                   // not in the song's code page
        key(Qt::Key_B, QStringLiteral("\x02"), Qt::ControlModifier); // a command, not text
        QCOMPARE(line(0).substr(0, 4), std::string("\xE8\x80!T"));
        QCOMPARE(editor().cursorColumn(), 3);

        // Ctrl+A binds from the event panel only: in the editor the text stays as it is.
        const std::string before = items();
        QTest::keyClick(m_panel, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(items(), before);
    }

    void enterSplitsAndBackspaceAtColumnZeroJoins() {
        const std::string first = line(1); // "How I wonder what you are."
        const int lines = doc().lyrics().lineCount();
        click(1, 4);
        QTest::keyClick(m_panel, Qt::Key_Return);
        // The word ends the line: its trailing space goes.
        QCOMPARE(doc().lyrics().lineCount(), lines + 1);
        QCOMPARE(line(1), first.substr(0, 3));
        QCOMPARE(line(2), first.substr(4));
        QCOMPARE(editor().currentLine(), 2);
        QCOMPARE(editor().cursorColumn(), 0);
        QTest::keyClick(m_panel, Qt::Key_Backspace);
        QCOMPARE(doc().lyrics().lineCount(), lines);
        const std::string joined = first.substr(0, 3) + first.substr(4);
        QCOMPARE(line(1), joined);
        QCOMPARE(editor().cursorColumn(), 3);
        // Delete takes the character after the cursor's.
        QTest::keyClick(m_panel, Qt::Key_Delete);
        QCOMPARE(line(1), joined.substr(0, 4) + joined.substr(5));
    }

    void aClickPlacesTheCursorOnTheCharacterUnderTheMouse() {
        const std::string text = line(2);
        const EditorFont& font = m_panel->editorFont();
        const int row = 2 - editor().firstVisibleLine();
        // The right edge of the third character still hits it; one pixel further, the fourth.
        const int edge = kEditorTextX + font.width(std::string_view(text).substr(0, 3));
        QTest::mouseClick(m_panel, Qt::LeftButton, {}, QPoint(edge, row * 16 + 8));
        QCOMPARE(editor().currentLine(), 2);
        QCOMPARE(editor().cursorColumn(), 2);
        QTest::mouseClick(m_panel, Qt::LeftButton, {}, QPoint(edge + 1, row * 16 + 8));
        QCOMPARE(editor().cursorColumn(), 3);
        QTest::mouseClick(m_panel, Qt::LeftButton, {}, QPoint(m_panel->width() - 12, row * 16 + 8));
        QCOMPARE(editor().cursorColumn(), static_cast<int>(text.size()));
        QVERIFY(m_panel->hasFocus());
    }

    void typingMovesTheSongPositionToTheLineButArrowsDoNot() {
        click(3, 0);
        key(Qt::Key_X, QStringLiteral("x"));
        const std::int32_t lineStart = editor().currentLineStartTick();
        QCOMPARE(m_session->player().tick(), lineStart);
        QTest::keyClick(m_panel, Qt::Key_Down);
        QCOMPARE(editor().currentLine(), 4);
        QCOMPARE(m_session->player().tick(), lineStart);
    }

    void markerClickLightsTheStartLineAndIsPainted() {
        const int row = 3;
        QTest::mouseClick(m_panel, Qt::LeftButton, {}, QPoint(70, row * 16 + 8));
        QCOMPARE(editor().bindStartLine(), editor().firstVisibleLine() + row);
        const QImage& image = m_panel->backBuffer();
        const int inside = row * 16 + kEditorMarkerTop + kEditorMarkerHeight / 2;
        QCOMPARE(image.pixelColor(71, inside), colourFromBgr(kEditorMarkerLitColour));
        QCOMPARE(image.pixelColor(71, inside - 16), colourFromBgr(kEditorMarkerColour));
    }

    void gutterDoubleClickMovesThePositionAndPlaybackGoesOn() {
        const int row = 5;
        const int line = editor().firstVisibleLine() + row;
        const std::int32_t target = editor().lineGutterTick(line);
        QVERIFY(target > 0);
        QTest::mouseDClick(m_panel, Qt::LeftButton, {}, QPoint(20, row * 16 + 8));
        QCOMPARE(editor().currentLine(), line);
        QCOMPARE(editor().cursorColumn(), 0);
        QCOMPARE(m_session->player().tick(), target);

        // Ctrl+Space from the editor plays; a double click while playing moves and plays on.
        QTest::keyClick(m_panel, Qt::Key_Space, Qt::ControlModifier);
        QVERIFY(m_session->player().playing());
        const std::int32_t earlier = editor().lineGutterTick(line - 3);
        QTest::mouseDClick(m_panel, Qt::LeftButton, {}, QPoint(20, (row - 3) * 16 + 8));
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
        const auto letterHue = [&](const EditorRow& row, const EditorStartLetter& s) {
            const int w = m_panel->editorFont().width(std::string_view(&s.letter, 1));
            // The most saturated pixel of the letter's cell tells its colour.
            QColor best = Qt::white;
            for (int x = s.x; x < s.x + w; ++x)
                for (int y = row.top + 2; y < row.top + 15; ++y) {
                    const QColor c = image.pixelColor(x, y);
                    if (c.hsvSaturation() > best.hsvSaturation()) best = c;
                }
            return best.hsvHue();
        };
        const EditorRow& current = layout.rows.at(static_cast<std::size_t>(1));
        const EditorRow& other = layout.rows.at(static_cast<std::size_t>(2));
        QVERIFY(current.startLetters.size() > 1 && !other.startLetters.empty());
        QCOMPARE(letterHue(other, other.startLetters[0]), 0);                           // red
        QCOMPARE(letterHue(current, current.startLetters[1]), QColor(Qt::green).hue()); // green
        // The cursor cell is black, the row's rule and the gutter's black too.
        QVERIFY(layout.cursor);
        QCOMPARE(image.pixelColor(layout.cursor->x, layout.cursor->top), QColor(Qt::black));
        QCOMPARE(image.pixelColor(200, 15), QColor(Qt::black));
        QCOMPARE(image.pixelColor(kEditorGutterRuleX, 40), QColor(Qt::black));
        QCOMPARE(image.pixelColor(kEditorMarkerLeft + 4, 1), QColor(Qt::white));
    }

    void theEditorKeepsTheFocusAfterTextCommands() {
        QWidget* elsewhere = m_window->melodyChannelBox();
        elsewhere->setFocus();
        QTRY_VERIFY(elsewhere->hasFocus());
        m_window->action(CommandId::AllUpperCase)->trigger();
        QTRY_VERIFY(m_panel->hasFocus());
        elsewhere->setFocus();
        QTRY_VERIFY(elsewhere->hasFocus());
        m_window->action(CommandId::Undo)->trigger();
        QTRY_VERIFY(m_panel->hasFocus());
    }

    void theWindowResizesWithinItsLimitsAndTheScrollRangeFollows() {
        TMDIChild* child = m_window->editorChild();
        QVERIFY(child->userResizable());
        auto* bar = child->findChild<QScrollBar*>(QStringLiteral("sBar1"));
        QVERIFY(bar);
        const QMargins frame = child->frameMargins();
        const QSize extra(frame.left() + frame.right(), frame.top() + frame.bottom());
        child->resize(QSize(5000, 5000));
        QCOMPARE(child->clientSize(), QSize(420, 577));
        child->resize(QSize(300, 160) + extra);
        QCOMPARE(child->clientSize(), QSize(300, 160));
        QTRY_COMPARE(m_panel->size(), QSize(298, 160));
        QCOMPARE(bar->geometry(), QRect(289, 1, 11, 159));
        QCOMPARE(editor().visibleRows(), 10);
        QCOMPARE(bar->maximum(), editor().scrollMaximum());
        QVERIFY(bar->maximum() > 0);
        // The scroll bar moves the text; the cursor line's marks turn blue.
        bar->setValue(2);
        QCOMPARE(editor().firstVisibleLine(), 2);
        QVERIFY(m_panel->marksScrolled());
    }

private:
    EditorDocument& doc() { return m_session->document(); }
    LyricsEditor& editor() { return doc().editor(); }
    std::string line(int i) {
        const KLItem* shown = doc().lyrics().lineList().item(i);
        return shown ? shown->text : std::string();
    }
    std::string items() {
        std::string out;
        for (const LyrItem* it = doc().lyrics().lyrics().head(); it; it = it->next)
            out += (it->lineBreak ? std::string("|") : it->text) + "@" + std::to_string(it->tick) +
                   ",";
        return out;
    }
    // A press on line `line` just right of the left edge of its character `column`.
    void click(int line, int column) {
        const std::string text = this->line(line);
        const int x =
            kEditorTextX + 1 +
            m_panel->editorFont().width(std::string_view(text).substr(0, std::size_t(column)));
        const int row = line - editor().firstVisibleLine();
        QTest::mouseClick(m_panel, Qt::LeftButton, {},
                          QPoint(std::max(x, kEditorTextPressX), row * 16 + 8));
        QCOMPARE(editor().currentLine(), line);
        QCOMPARE(editor().cursorColumn(), column);
    }
    void key(Qt::Key code, const QString& text, Qt::KeyboardModifiers modifiers = {}) {
        QTest::sendKeyEvent(QTest::Click, m_panel, code, text, modifiers);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<TCanteloEd1> m_window;
    std::unique_ptr<EditorSession> m_session;
    EditorPanel* m_panel = nullptr;
};

QTEST_MAIN(EditorPanelTest)
#include "editor_panel_test.moc"
