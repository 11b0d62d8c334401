#include "gui/app/language_menu_qt.h"
#include "gui/app/main_window.h"
#include "gui/app/message_window.h"
#include "gui/views/cantelo_style_qt.h"
#include "gui/views/child_window.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <filesystem>
#include <tuple>

using cantelo::Configuration;
using cantelo::TCanteloEd1;

namespace {

const std::filesystem::path kLanguageFile = std::filesystem::path(CANTELO_DATA_DIR) / "reg.cne";
const std::filesystem::path kNoLanguageFile = "/nonexistent/reg.cne";

// A menu as text: captions joined by '|', "-" for a separator, a sub-menu's items in braces.
QString tree(const QMenu* menu) {
    QStringList items;
    for (const QAction* item : menu->actions()) {
        if (item->isSeparator())
            items << QStringLiteral("-");
        else if (item->menu())
            items << item->text() + QLatin1Char('{') + tree(item->menu()) + QLatin1Char('}');
        else
            items << item->text();
    }
    return items.join(QLatin1Char('|'));
}

QStringList menuBarTree(const TCanteloEd1& window) {
    QStringList menus;
    for (const QAction* top : window.menuBar()->actions())
        menus << top->text() + QLatin1Char('{') + tree(top->menu()) + QLatin1Char('}');
    return menus;
}

QAction* languageItem(const TCanteloEd1& window, const QString& code) {
    for (QAction* item : window.menu(QStringLiteral("mnuLingua"))->actions())
        if (item->text() == code) return item;
    return nullptr;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QApplication::setStyle(new cantelo::CanteloStyle);
        QVERIFY2(std::filesystem::exists(kLanguageFile), "the build's reg.cne is missing");
    }

    void switchingTheLanguageRetitlesEveryMenuAndKeepsThePortState() {
        TCanteloEd1 window(Configuration{}, kLanguageFile);
        const QStringList italian = menuBarTree(window);
        QCOMPARE(italian.size(), 5);
        QCOMPARE(italian[0], QStringLiteral("&File{Apri|Salva|Salva con Nome|-|Apri Sillabe|"
                                            "Salva Sillabe|-|Esci}"));
        // The context menu's twins are the menu's own commands.
        QVERIFY(tree(window.popupMenu1())
                    .startsWith("Annulla modifica|Ripeti modifica|-|Pulisci Testo Karaoke|"));
        QCOMPARE(window.action(QStringLiteral("mnuTextToLower")),
                 window.action(cantelo::CommandId::AllLowerCase));

        // The port is closed in Italian; the English caption must still say it is closed.
        window.setPortClosed(true);
        QAction* english = languageItem(window, QStringLiteral("ENG"));
        QVERIFY(english);
        english->trigger();
        QCOMPARE(window.language().languageIndex(), 1);
        const QStringList shown = menuBarTree(window);
        for (int i = 0; i < italian.size(); ++i)
            QVERIFY2(shown[i] != italian[i], qPrintable(shown[i])); // no menu left behind
        QCOMPARE(shown[3],
                 QStringLiteral(
                     "Options{MIDI Output{}|Reopen MIDI Port|"
                     "&Do Not Use SysEx|Tap latency...|-|Text encoding{}|Language{ITA|ENG}}"));
        QCOMPARE(window.currentConfiguration().languageIndex, 1);
        // A question asked now has English buttons.
        const cantelo::TFrmMessage question(&window, QString(), QString(), false,
                                            cantelo::MessageButtons::YesNo);
        QCOMPARE(question.firstButton()->text(), QStringLiteral("Yes"));
    }

    void withoutTheLanguageFileOrItsStoredLanguageTheBuiltInTextsStay() {
        Configuration settings;
        settings.languageIndex = 1;
        TCanteloEd1 window(settings, kNoLanguageFile);
        QVERIFY(!window.menu(QStringLiteral("mnuLingua"))->isEnabled());
        QCOMPARE(menuBarTree(window).first(),
                 QStringLiteral("&File{Apri|Salva|Salva con Nome|-|Apri Sillabe|Salva Sillabe|-|"
                                "Esci}"));

        // A stored language the file lacks falls back to the first.
        settings.languageIndex = 7;
        TCanteloEd1 second(settings, kLanguageFile);
        QVERIFY(second.language().languageIndex() == 0 &&
                second.action(QStringLiteral("mnuApri"))->text() == QStringLiteral("Apri"));
    }

    void everyToolButtonHasItsIcon() {
        TCanteloEd1 window(Configuration{}, kLanguageFile);
        int buttons = 0;
        for (QAction* item : window.toolBar1()->actions())
            if (auto* button = qobject_cast<QToolButton*>(window.toolBar1()->widgetForAction(item)))
                QVERIFY2(++buttons && !button->icon().isNull(), qPrintable(button->objectName()));
        QCOMPARE(buttons, 15);
    }

    void commandsReachTheirHandlersFromEveryEntryWhenEnabled() {
        using cantelo::CommandId;
        TCanteloEd1 window(Configuration{}, kLanguageFile);
        window.showAsConfigured();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QList<CommandId> fired, handled;
        connect(&window, &TCanteloEd1::command, this, [&fired](CommandId id) { fired << id; });
        window.dispatcher().setHandler(CommandId::JoinSyllables,
                                       [&handled] { handled << CommandId::JoinSyllables; });
        QTest::mousePress(window.toolButton(QStringLiteral("tbPlay")), Qt::LeftButton);
        window.action(QStringLiteral("mnuUnisciSillabe"))->trigger(); // a twin: the same action
        QTest::mouseClick(window.toolButton(QStringLiteral("tbApri")), Qt::LeftButton);
        // Commands that need a song give nothing.
        QTest::mouseClick(window.toolButton(QStringLiteral("tbSalva")), Qt::LeftButton);
        QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!window.toolButton(QStringLiteral("tbSalva"))->isEnabled());
        QCOMPARE(window.action(CommandId::Redo)->shortcuts().size(), 2);
        // Ctrl+Space plays, or stops while playing; the jumps wait for the player to stop.
        QTest::keyClick(&window, Qt::Key_Space, Qt::ControlModifier);
        window.updateCommandStates({.songOpen = true, .playing = true});
        QVERIFY(window.toolButton(QStringLiteral("tbSalva"))->isEnabled());
        QTest::mousePress(window.toolButton(QStringLiteral("tbGoInit")), Qt::LeftButton);
        QTest::keyClick(&window, Qt::Key_Space, Qt::ControlModifier);
        QCOMPARE(fired, (QList<CommandId>{CommandId::Play, CommandId::JoinSyllables,
                                          CommandId::Open, CommandId::Play, CommandId::Stop}));
        QCOMPARE(handled, QList<CommandId>{CommandId::JoinSyllables});
    }

    void aLongInstrumentNameMovesNothing() {
        TCanteloEd1 window(Configuration{}, kLanguageFile);
        window.showAsConfigured();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // A long instrument name keeps its place and the buttons beside it theirs.
        QLabel* instrument = window.label(QStringLiteral("lblIName"));
        QToolButton* next = window.toolButton(QStringLiteral("tbBarraS"));
        const QPoint buttonAt = next->mapTo(&window, QPoint());
        const QString longName = QStringLiteral("Orchestral Strings Ensemble Deluxe 2");
        instrument->setText(longName);
        QCoreApplication::processEvents();
        QCOMPARE(
            std::tuple(instrument->width(), next->mapTo(&window, QPoint()), instrument->text()),
            std::tuple(TCanteloEd1::kInstrumentNameWidth, buttonAt, longName));
    }

    void outputMenuIsRefilledNotAppended() {
        TCanteloEd1 window(Configuration{}, kLanguageFile);
        int chosen = -1;
        connect(&window, &TCanteloEd1::outputChosen, this, [&chosen](int i) { chosen = i; });
        window.setOutputDevices({"Synth", "Port A"}, 0);
        window.setOutputDevices({"Synth", "Port A", "Port B"}, 2);
        QMenu* devices = window.menu(QStringLiteral("mnuDeviceMidi"));
        QCOMPARE(tree(devices), QStringLiteral("Synth|Port A|Port B"));
        QVERIFY(devices->actions().at(2)->isChecked());
        devices->actions().at(1)->trigger();
        QVERIFY(chosen == 1 && !devices->actions().at(2)->isChecked());
    }

    void interfaceTextsAreWindows1252() {
        QCOMPARE(cantelo::uiText("\x80 \x92 \xE8"), QString::fromUtf8("€ ’ è"));
    }

    void childrenTakeTheirPlacesFromTheSettings() {
        // A 1400 x 900 desktop scaled by 1.5 leaves 933 x 600 for the 1010 x 640 window.
        QCOMPARE(TCanteloEd1::placeWithin({1010, 640}, {0, 0, 933, 600}), QRect(0, 0, 933, 600));
        QCOMPARE(TCanteloEd1::placeWithin({1010, 300}, {-900, 0, 900, 700}),
                 QRect(-900, 200, 900, 300));
        Configuration settings;
        settings.mainWidth = 1023;
        settings.mainHeight = 700;
        settings.editorLeft = 5;
        settings.editorTop = 6;
        settings.editorClientHeight = 400;
        settings.editorClientWidth = 300;
        settings.eventPanelLeft = 310;
        settings.eventPanelTop = 7;
        settings.eventPanelClientWidth = 800;
        settings.monitorLeft = 320;
        settings.monitorTop = 240;
        settings.monitorClientHeight = 250;
        settings.monitorClientWidth = 650;
        TCanteloEd1 window(settings, kLanguageFile);
        window.showAsConfigured();
        QVERIFY(QTest::qWaitForWindowExposed(&window) && !window.isMaximized());
        // The test screen is 800 pixels wide: the stored width shrinks to it, and the window
        // stays on the screen.
        const QRect screen = window.screen()->availableGeometry();
        QCOMPARE(window.frameGeometry().width(), screen.width());
        QVERIFY(screen.contains(window.frameGeometry()));

        const struct {
            cantelo::TMDIChild* child;
            QPoint place;
            QSize client;
        } expected[] = {
            {window.editorChild(), {5, 6}, {300, 400}},
            {window.eventPanelChild(), {310, 7}, {800, 189}},
            {window.monitorChild(), {320, 240}, {650, 250}},
        };
        for (const auto& e : expected) {
            QCOMPARE(std::pair(e.child->pos(), e.child->client()->size()),
                     std::pair(e.place, e.client));
            QVERIFY(e.child->isVisible());
        }
        QCOMPARE(window.workspace()->subWindowList().size(), 3);

        // A child moved past the workspace's left edge is stored at 0.
        window.editorChild()->move(-20, 6);
        const Configuration back = window.currentConfiguration();
        QCOMPARE(std::tuple(back.editorLeft, back.eventPanelClientWidth, back.mainWidth),
                 std::tuple(0, 800, window.width()));
    }

    void widthsOutsideTheirRanges() {
        // The panel keeps its built-in width; the editor's is clamped into its own range.
        Configuration settings;
        settings.mainWidth = 1024;
        settings.editorClientWidth = 5000;
        settings.eventPanelClientWidth = 1400;
        settings.monitorClientHeight = 0;
        TCanteloEd1 window(settings, kLanguageFile);
        window.showAsConfigured();
        QVERIFY(QTest::qWaitForWindowExposed(&window) && window.isMaximized());
        QCOMPARE(std::pair(window.eventPanelChild()->client()->width(),
                           window.editorChild()->clientSize().width()),
                 std::pair(713, 420));
        QCOMPARE(window.monitorChild()->clientSize().height(),
                 window.monitorChild()->limits().minHeight);
    }

    void childrenCannotBeClosedOrResizedByTheUser() {
        TCanteloEd1 window(Configuration{}, kLanguageFile);
        window.showAsConfigured();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        cantelo::TMDIChild* editor = window.editorChild();
        QVERIFY(!editor->close() && editor->isVisible());
        QCOMPARE(editor->minimumSize(), editor->maximumSize());
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
