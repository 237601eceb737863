#include "catalog/ui/CHelpViewerDlg.h"

#include "GuiTestSupport.h"
#include "TempDir.h"
#include "app/ui/CAdminApp.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>

using namespace qar;
using namespace qar::ui;

class CHelpViewerDlgTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initResources(); }

    void showsTwoLinesAsThreeWithTheCaretAtTheTop()
    {
        test::TempDir dir;
        CHelpViewerDlg dlg;
        dlg.showFile(test::writeFile(dir.file("Help_Power.txt"), "first\r\nsecond\r\n"));
        QCOMPARE(dlg.text(), QStringLiteral("first\nsecond\n\n"));
        auto* box = dlg.findChild<QPlainTextEdit*>(QStringLiteral("helpPlainTextEdit"));
        QVERIFY(box->isReadOnly());
        QCOMPARE(box->textCursor().position(), 0);
    }

    void longTextOpensScrolledToItsBeginning()
    {
        test::TempDir dir;
        std::string text;
        for (int i = 0; i < 500; ++i) {
            text += "line " + std::to_string(i) + "\n";
        }
        CHelpViewerDlg dlg;
        dlg.show();
        dlg.showFile(test::writeFile(dir.file("long.txt"), text));
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        auto* box = dlg.findChild<QPlainTextEdit*>(QStringLiteral("helpPlainTextEdit"));
        QVERIFY(box->verticalScrollBar()->maximum() > 0);
        QCOMPARE(box->verticalScrollBar()->value(), 0);
        QCOMPARE(box->textCursor().position(), 0);
    }

    void missingFileShowsAnEmptyBox()
    {
        test::TempDir dir;
        CHelpViewerDlg dlg;
        dlg.showFile(dir.file("Help_Power.txt"));
        QCOMPARE(dlg.text(), QString());
    }

    void givenCaptionReplacesHelpAndAnEmptyOneKeepsIt()
    {
        CHelpViewerDlg dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Help"));
        dlg.setCaption(QString());
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Help"));
        dlg.setCaption(QStringLiteral("Privileges"));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Privileges"));
    }

    void chineseFileIsReadInTheAnsiCodePage()
    {
        test::TempDir dir;
        test::ScopedLcid lcid(2052);
        CHelpViewerDlg dlg;
        dlg.showFile(test::writeFile(dir.file("Help_Power.txt"), "\xC8\xA8\xCF\xDE\n")); // "权限" in GBK
        QCOMPARE(dlg.text(), QStringLiteral("权限\n\n"));
    }

    void showHelpFileRunsTheFormModally()
    {
        test::TempDir dir;
        const std::string path = test::writeFile(dir.file("Help_Power.txt"), "a\n");
        QString shown;
        QString title;
        test::whenModal<CHelpViewerDlg>([&](CHelpViewerDlg& dlg) {
            shown = dlg.text();
            title = dlg.windowTitle();
            dlg.accept();
        });
        ShowHelpFile(nullptr, path);
        QCOMPARE(shown, QStringLiteral("a\n\n"));
        QCOMPARE(title, QStringLiteral("Help"));
    }
};

QTEST_MAIN(CHelpViewerDlgTest)
#include "CHelpViewerDlgTest.moc"
