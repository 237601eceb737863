#include "GuiTestSupport.h"
#include "app/ui/ShellEvent.h"
#include "controls/EditRules.h"
#include "controls/ui/CZMathEdit.h"
#include "controls/ui/DigitsOnlyEdit.h"
#include "controls/ui/ScrollNotifyListCtrl.h"
#include "org/ui/CUnitEditDlg.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTest>
#include <QToolTip>

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
        const auto* e = static_cast<ShellEvent*>(event);
        if (e->type() == ShellEvent::typeFor(kMessageListScrolled) && e->wParam() == 0 && e->lParam() == 0) {
            ++notifications;
        }
    }
};

/// Pastes through the field's own context menu, as the administrator would.
void pasteFromContextMenu(QLineEdit& edit)
{
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), edit.mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(&edit, &event);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu != nullptr);
    for (QAction* a : menu->actions()) {
        if (a->text().startsWith(QLatin1String("&Paste"))) {
            a->trigger();
        }
    }
    menu->close();
}

} // namespace

class OrgControlsTest : public QObject
{
    Q_OBJECT

private slots:
    // The rules themselves are the core's; these cases need the field's cursor, selection or settings.
    void typedKeysFollowTheNumberRules()
    {
        const struct
        {
            bool integerOnly, allowNegative;
            const char* start;
            bool selectAll;
            const char* typed; // '^' stands for Ctrl+A
            const char* result;
        } cases[] = {
            {true, true, "", false, "1.5", "15"},   {false, true, "12", false, "-", "12"},
            {false, true, "12", true, "-", "-"},    {false, false, "", false, "-7", "7"},
            {false, true, "", false, "4a^b2", "2"}, // Ctrl+A types nothing but selects the whole text
        };
        for (const auto& c : cases) {
            CZMathEdit edit;
            edit.setSettings(MathEditSettings{true, c.integerOnly, c.allowNegative});
            edit.setText(QString::fromLatin1(c.start));
            if (c.selectAll) {
                edit.selectAll();
            }
            for (const char* k = c.typed; *k != 0; ++k) {
                if (*k == '^') {
                    QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);
                } else {
                    QTest::keyClicks(&edit, QString(QLatin1Char(*k)));
                }
            }
            QVERIFY2(edit.text() == QString::fromLatin1(c.result), c.typed);
        }
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

    void pasteExaminesTheClipboardTextWhicheverWayItComes()
    {
        const std::function<void(QLineEdit&)> ways[] = {
            [](QLineEdit& e) { QTest::keyClick(&e, Qt::Key_V, Qt::ControlModifier); },
            [](QLineEdit& e) { QTest::keyClick(&e, Qt::Key_Insert, Qt::ShiftModifier); },
            [](QLineEdit& e) { pasteFromContextMenu(e); },
        };
        QGuiApplication::clipboard()->setText(QStringLiteral("-12"));
        for (const bool allowNegative : {true, false}) {
            for (const auto& paste : ways) {
                CZMathEdit edit;
                edit.setSettings(MathEditSettings{true, false, allowNegative});
                edit.setText(QStringLiteral("3.4"));
                edit.setCursorPosition(3);
                paste(edit);
                QCOMPARE(edit.text(), allowNegative ? QStringLiteral("3.4-12") : QStringLiteral("3.4"));
            }
        }
    }

    // A drop is one more way to paste: unfiltered fields take any text, filtered ones the paste rule's.
    void dropsFollowThePasteRule()
    {
        const struct
        {
            bool filter, allowNegative;
            const char* dropped;
            const char* result;
        } cases[] = {{false, false, "a-b", "1a-b"}, {true, false, "-2", "1"}, {true, true, "-2", "1-2"}};
        for (const auto& c : cases) {
            CZMathEdit edit;
            edit.setSettings(MathEditSettings{c.filter, false, c.allowNegative});
            edit.setText(QStringLiteral("1"));
            QVERIFY(edit.acceptDrops());
            QMimeData data;
            data.setText(QString::fromLatin1(c.dropped));
            QDragEnterEvent enter(QPoint(500, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&edit, &enter);
            QCOMPARE(enter.isAccepted(), QLatin1String(c.result) != QLatin1String("1"));
            QDropEvent drop(QPointF(500, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&edit, &drop);
            QCOMPARE(edit.text(), QString::fromLatin1(c.result));
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
        QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(&edit, QStringLiteral("345"));
        QCOMPARE(edit.text(), QStringLiteral("345"));
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QCOMPARE(edit.text(), QStringLiteral("3"));
        QGuiApplication::clipboard()->setText(QStringLiteral("x9"));
        QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(edit.text(), QStringLiteral("3x9"));

        // With their filters off both fields take any text.
        DigitsOnlyEdit plain;
        CZMathEdit math;
        QTest::keyClicks(&plain, QStringLiteral("a-.1"));
        QTest::keyClicks(&math, QStringLiteral("a-.1"));
        QCOMPARE(plain.text() + math.text(), QStringLiteral("a-.1a-.1"));
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

    // A unit named with 209 characters: the unit form stays on its screen with OK and Cancel, the parent
    // list shows the name cut short and its tooltip shows it whole.
    void unitFormWithALongUnitNameFitsTheScreen()
    {
        const std::string name(209, 'W');
        UnitFormSetup setup;
        setup.parentId = 101;
        const std::vector<std::int32_t> groups = {1};
        const UnitFormModel model(setup, {UnitRow{101, name, 0, 1, true, false, "", 1}}, groups, "(0) (None)");
        CUnitEditDlg form(model, model.initialForm());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const int screenWidth = form.screen()->availableGeometry().width();
        QVERIFY2(form.width() <= screenWidth, qPrintable(QString::number(form.width())));
        for (const char* objectName : {"okButton", "cancelButton"}) {
            auto* button = test::child<QPushButton>(form, objectName);
            QVERIFY(button->mapTo(&form, QPoint(button->width(), 0)).x() <= form.width());
        }
        auto* parents = test::child<QComboBox>(form, "parentComboBox");
        const QString whole = QStringLiteral("(1) {1} ") + QString::fromStdString(name) + QStringLiteral(" [ID:101]");
        QCOMPARE(parents->currentText(), whole);
        QVERIFY(parents->width() < parents->fontMetrics().horizontalAdvance(whole));
        QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), parents->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(parents, &help);
        QCOMPARE(QToolTip::text(), whole);
    }
};

QTEST_MAIN(OrgControlsTest)
#include "OrgControlsTest.moc"
