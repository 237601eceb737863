#include "catalog/ui/CHelpViewerDlg.h"

#include "GuiTestSupport.h"
#include "TempDir.h"
#include "app/ui/CAdminApp.h"

#include <QPlainTextEdit>
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

    void missingFileShowsAnEmptyBox()
    {
        test::TempDir dir;
        CHelpViewerDlg dlg;
        dlg.showFile(dir.file("Help_Power.txt"));
        QCOMPARE(dlg.text(), QString());
    }

    void showHelpFileRunsTheFormModallyUnderTheGivenCaption()
    {
        test::TempDir dir;
        const std::string path = test::writeFile(dir.file("Help_Power.txt"), "a\n");
        QStringList seen;
        for (const QString& caption : {QString(), QStringLiteral("Privileges")}) {
            test::whenModal<CHelpViewerDlg>([&](CHelpViewerDlg& dlg) { seen << dlg.windowTitle() + dlg.text(); });
            ShowHelpFile(nullptr, path, caption);
        }
        QCOMPARE(seen, (QStringList{QStringLiteral("Helpa\n\n"), QStringLiteral("Privilegesa\n\n")}));
    }
};

QTEST_MAIN(CHelpViewerDlgTest)
#include "CHelpViewerDlgTest.moc"
