#include "GuiTestSupport.h"
#include "app/ui/ShellEvent.h"
#include "controls/EditRules.h"
#include "controls/ui/CZMathEdit.h"
#include "controls/ui/DigitsOnlyEdit.h"
#include "controls/ui/ScrollNotifyListCtrl.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTest>

using namespace qar;
using namespace qar::ui;

namespace
{

/// A window that counts the list-scrolled notifications it receives.
class ScrollWatcher : public QWidget
{
public:
    int notifications = 0;

protected:
    void customEvent(QEvent* event) override
    {
        if (event->type() == ShellEvent::typeFor(kMessageListScrolled)) {
            const auto* e = static_cast<ShellEvent*>(event);
            if (e->wParam() == 0 && e->lParam() == 0) {
                ++notifications;
            }
        }
    }
};

/// Pastes through the field's own context menu, as the administrator would.
void pasteFromContextMenu(QLineEdit& edit)
{
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), edit.mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(&edit, &event);
    QMenu* menu = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* m = qobject_cast<QMenu*>(w); m != nullptr && m->isVisible()) {
            menu = m;
        }
    }
    QVERIFY(menu != nullptr);
    QAction* paste = nullptr;
    for (QAction* a : menu->actions()) {
        if (a->text().startsWith(QLatin1String("&Paste"))) {
            paste = a;
        }
    }
    QVERIFY(paste != nullptr);
    paste->trigger();
    menu->close();
}

} // namespace

class OrgControlsTest : public QObject
{
    Q_OBJECT

private slots:
    void typedKeysFollowTheNumberRules_data()
    {
        QTest::addColumn<bool>("integerOnly");
        QTest::addColumn<bool>("allowNegative");
        QTest::addColumn<QString>("start");
        QTest::addColumn<bool>("selectAll");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("result");
        QTest::newRow("integer drops the point") << true << true << "" << false << "1.5"
                                                 << "15";
        QTest::newRow("one point only") << false << true << "" << false << "1.2.3"
                                        << "1.23";
        QTest::newRow("minus after digits") << false << true << "12" << false << "-"
                                            << "12";
        QTest::newRow("minus replaces everything") << false << true << "12" << true << "-"
                                                   << "-";
        QTest::newRow("no negatives") << false << false << "" << false << "-7"
                                      << "7";
        QTest::newRow("no zero after a lone zero") << false << true << "0" << false << "05"
                                                   << "05";
        QTest::newRow("letters and Ctrl+A refused") << false << true << "" << false
                                                    << "4a\x01"
                                                       "b2"
                                                    << "42";
    }

    void typedKeysFollowTheNumberRules()
    {
        QFETCH(bool, integerOnly);
        QFETCH(bool, allowNegative);
        QFETCH(QString, start);
        QFETCH(bool, selectAll);
        QFETCH(QString, typed);
        QFETCH(QString, result);
        CZMathEdit edit;
        edit.setSettings(MathEditSettings{true, integerOnly, allowNegative});
        edit.setText(start);
        if (selectAll) {
            edit.selectAll();
        }
        for (const QChar c : typed) {
            if (c == QChar(1)) {
                QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);
            } else {
                QTest::keyClicks(&edit, QString(c));
            }
        }
        QCOMPARE(edit.text(), result);
    }

    void editingKeysStillWorkWithTheFilterOn()
    {
        CZMathEdit edit;
        edit.setSettings(MathEditSettings{true, true, false});
        edit.setText(QStringLiteral("123"));
        edit.setCursorPosition(0);
        // The X11 keyboard gives Delete the text DEL; it edits, it is not a typed character.
        QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"));
        QApplication::sendEvent(&edit, &del);
        QTest::keyClick(&edit, Qt::Key_End);
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QCOMPARE(edit.text(), QStringLiteral("2"));
        QTest::keyClick(&edit, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(edit.text(), QStringLiteral("23"));
    }

    void filterOffTakesAnyText()
    {
        CZMathEdit edit;
        QTest::keyClicks(&edit, QStringLiteral("a-.b"));
        QCOMPARE(edit.text(), QStringLiteral("a-.b"));
    }

    void pasteExaminesTheClipboardTextWhicheverWayItComes_data()
    {
        QTest::addColumn<bool>("allowNegative");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("result");
        QTest::newRow("negative allowed") << true << "-12"
                                          << "3.4-12";
        QTest::newRow("negative refused") << false << "-12"
                                          << "3.4";
        QTest::newRow("letter refused") << true << "-1a"
                                        << "3.4";
        QTest::newRow("second point judged alone") << true << "1.2"
                                                   << "3.41.2";
        QTest::newRow("two points refused") << true << "1.2.3"
                                            << "3.4";
    }

    void pasteExaminesTheClipboardTextWhicheverWayItComes()
    {
        QFETCH(bool, allowNegative);
        QFETCH(QString, clipboard);
        QFETCH(QString, result);
        QGuiApplication::clipboard()->setText(clipboard);
        const std::function<void(QLineEdit&)> ways[] = {
            [](QLineEdit& e) { QTest::keyClick(&e, Qt::Key_V, Qt::ControlModifier); },
            [](QLineEdit& e) { QTest::keyClick(&e, Qt::Key_Insert, Qt::ShiftModifier); },
            [](QLineEdit& e) { pasteFromContextMenu(e); },
        };
        int way = 0;
        for (const auto& paste : ways) {
            CZMathEdit edit;
            edit.setSettings(MathEditSettings{true, false, allowNegative});
            edit.setText(QStringLiteral("3.4"));
            edit.setCursorPosition(3);
            paste(edit);
            QVERIFY2(edit.text() == result, qPrintable(QStringLiteral("way %1: %2").arg(way).arg(edit.text())));
            ++way;
        }
    }

    void composedTextStopsAtTheFirstRefusedCharacter()
    {
        CZMathEdit edit;
        edit.setSettings(MathEditSettings{true, true, false});
        QInputMethodEvent event;
        event.setCommitString(QStringLiteral("12x3"));
        QApplication::sendEvent(&edit, &event);
        QCOMPARE(edit.text(), QStringLiteral("12"));
    }

    void digitsOnlyEditFiltersTypingButNotPaste()
    {
        DigitsOnlyEdit edit;
        edit.setDigitsOnly(true);
        QTest::keyClicks(&edit, QStringLiteral("a1-b2"));
        QCOMPARE(edit.text(), QStringLiteral("12"));
        QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier); // refused: nothing gets selected
        QTest::keyClicks(&edit, QStringLiteral("3"));
        QCOMPARE(edit.text(), QStringLiteral("123"));
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QCOMPARE(edit.text(), QStringLiteral("1"));
        QGuiApplication::clipboard()->setText(QStringLiteral("x9"));
        QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(edit.text(), QStringLiteral("1x9"));

        DigitsOnlyEdit plain;
        QTest::keyClicks(&plain, QStringLiteral("a1"));
        QCOMPARE(plain.text(), QStringLiteral("a1"));
    }

    void listTellsItsWindowOfVerticalScrollsOnly()
    {
        ScrollWatcher window;
        window.resize(200, 120);
        auto* list = new ScrollNotifyListCtrl(&window);
        list->setGeometry(0, 0, 120, 120);
        QStandardItemModel model;
        for (int i = 0; i < 200; ++i) {
            model.appendRow(new QStandardItem(QStringLiteral("row %1 with a text wider than the list").arg(i)));
        }
        list->setModel(&model);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        list->verticalScrollBar()->setValue(10);
        QCOMPARE(window.notifications, 0); // queued, not sent
        QCoreApplication::sendPostedEvents(&window);
        QCOMPARE(window.notifications, 1);

        list->horizontalScrollBar()->setValue(list->horizontalScrollBar()->maximum());
        QCoreApplication::sendPostedEvents(&window);
        QCOMPARE(window.notifications, 1);

        list->scrollToBottom();
        QCoreApplication::sendPostedEvents(&window);
        QCOMPARE(window.notifications, 2);
    }
};

QTEST_MAIN(OrgControlsTest)
#include "OrgControlsTest.moc"
