#include "gui/app/message_window.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace cantelo;

namespace {

// What the window showed while it was open.
struct Seen {
    QString title, first, second;
    bool secondVisible = false;
    QImage picture;
};

// Runs `show` and, once its window is up, records it and then does `act` to it.
int answer(const std::function<int()>& show, const std::function<void(TFrmMessage*)>& act,
           Seen* seen = nullptr) {
    bool found = false;
    QTimer::singleShot(0, [&] {
        auto* window = qobject_cast<TFrmMessage*>(QApplication::activeModalWidget());
        if (!window) return;
        found = true;
        if (seen) {
            seen->title = window->windowTitle();
            seen->first = window->firstButton()->text();
            seen->second = window->secondButton()->text();
            seen->secondVisible = window->secondButton()->isVisible();
            seen->picture = window->grab().toImage();
        }
        act(window);
    });
    const int result = show();
    if (!found) qWarning("no message window was open");
    return found ? result : -1;
}

const auto clickFirst = [](TFrmMessage* w) { QTest::mouseClick(w->firstButton(), Qt::LeftButton); };
const auto clickSecond = [](TFrmMessage* w) {
    QTest::mouseClick(w->secondButton(), Qt::LeftButton);
};
const auto closeWindow = [](TFrmMessage* w) { w->close(); };
const auto pressEscape = [](TFrmMessage* w) { QTest::keyClick(w, Qt::Key_Escape); };

// Whether any pixel of the rectangle is much darker than the card.
bool hasInk(const QImage& image, const QRect& area) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 110) return true;
    return false;
}

} // namespace

class MessageWindowTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { setMessageWindowTexts(LanguageTexts{}); }

    // Only the first button answers 1: the second, Escape and closing the window all answer 2.
    // The format question's own captions last only while it is shown.
    void everyWayOutGivesItsAnswer() {
        const LanguageTexts texts;
        const std::function<int()> shows[] = {
            [] { return ShowMessageWindow(nullptr, "uno", "due", true, false); },
            [] { return ShowMessageWindow(nullptr, "uno", "due", false, true); },
            [&] { return ShowMessage(nullptr, texts, Message::SaveFormat); },
        };
        for (const auto& show : shows) {
            QCOMPARE(answer(show, clickFirst), 1);
            QCOMPARE(answer(show, pressEscape), 2);
            QCOMPARE(answer(show, closeWindow), 2);
        }
        Seen seen;
        QCOMPARE(answer(shows[0], clickFirst, &seen), 1);
        QVERIFY(!seen.secondVisible && seen.picture.size() == QSize(446, 115));
        QCOMPARE(answer(shows[1], clickSecond, &seen), 2);
        QCOMPARE(seen.second, QString("Annulla")); // not the format question's captions
    }

    void questionsTakeTheLanguageCaptions() {
        const auto language = LanguageFile::load(CANTELO_DATA_DIR "/reg.cne");
        QVERIFY2(language.has_value(), "reg.cne is built with the data target");
        int english = -1;
        for (const auto& entry : language->languages())
            if (entry.code == "ENG") english = entry.index;
        QVERIFY(english >= 0);
        LanguageTexts texts;
        QVERIFY(texts.apply(*language, english));
        setMessageWindowTexts(texts);

        Seen seen;
        QCOMPARE(answer([&] { return ShowMessage(nullptr, texts, Message::NoProgramChange); },
                        clickSecond, &seen),
                 2);
        QCOMPARE(seen.title + seen.first + seen.second, QString("ErrorYesNo"));
    }

    void longLinesWidenOrWrapTheBoxAndLoseNothing() {
        const QFontMetrics metrics{QFont()};
        const auto width = [&metrics](const QString& s) { return metrics.horizontalAdvance(s); };
        const QString sentence = "Il file che stai cercando di aprire non corrisponde alle "
                                 "specifiche richieste da Cantelo Edit";
        MessageLayout layout = layoutMessage(metrics, sentence, "x", 2000);
        QCOMPARE(layout.client, QSize(width(sentence) + 76, 115));

        // Too wide for the box: words move to further rows, a word without spaces is split.
        const QString unbroken(300, QChar('W'));
        layout = layoutMessage(metrics, sentence, unbroken, 300);
        QCOMPARE(layout.client.width(), 446);
        QVERIFY(layout.rows1.size() >= 2 && layout.rows2.size() >= 2);
        QCOMPARE(std::pair(layout.rows1.join(' '), layout.rows2.join("")),
                 std::pair(sentence, unbroken));
        for (const QString& row : layout.rows1 + layout.rows2) QVERIFY(width(row) <= 446 - 76);
        QCOMPARE(layout.client.height(),
                 115 + 16 * static_cast<int>(layout.rows1.size() + layout.rows2.size() - 2));
    }

    void theBoxShowsAWrappedLineWholeBelowABlankFirstRow() {
        Seen seen;
        QPushButton* ok = nullptr;
        const QString longLine = QString(60, QChar('W')) + " " + QString(60, QChar('M'));
        answer([&] { return ShowMessageWindow(nullptr, "", longLine, true, false); },
               [&ok](TFrmMessage* w) {
                   ok = w->firstButton();
                   w->close();
               },
               &seen);
        const QImage& card = seen.picture;
        QVERIFY(card.width() > 446 && card.height() >= 115);
        const int rule = card.height() - 115 + 72;
        QVERIFY(!hasInk(card, QRect(65, 20, 370, 14)));      // line 1 is empty
        QVERIFY(hasInk(card, QRect(65, 37, 40, 12)));        // line 2 starts at its place
        QVERIFY(hasInk(card, QRect(65, rule - 35, 40, 12))); // and ends on a row of its own
        QVERIFY(ok && ok->geometry().top() > rule);
        QCOMPARE(ok->geometry().right(), card.width() - 12);
    }
};

QTEST_MAIN(MessageWindowTest)
#include "message_window_test.moc"
