#include "catalog/ui/CHelpViewerDlg.h"

#include "GuiTestSupport.h"
#include "app/ui/CAdminApp.h"

#include <QPlainTextEdit>

using namespace qar;
using namespace qar::ui;

// The text itself is read by the core; the form shows it read-only from the top, modally.
class CHelpViewerDlgTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initResources(); }

    void showHelpFileRunsTheFormModallyUnderTheGivenCaption()
    {
        test::TempDir dir;
        const std::string path = test::writeFile(dir.file("Help_Power.txt"), "first\r\nsecond\r\n");
        QStringList seen;
        for (const QString& caption : {QString(), QStringLiteral("Privileges")}) {
            test::whenModal<CHelpViewerDlg>([&](CHelpViewerDlg& dlg) {
                auto* box = test::child<QPlainTextEdit>(dlg, "helpPlainTextEdit");
                QVERIFY(box->isReadOnly());
                QCOMPARE(box->textCursor().position(), 0);
                seen << dlg.windowTitle() + QLatin1Char('|') + dlg.text();
            });
            ShowHelpFile(nullptr, path, caption);
        }
        QCOMPARE(seen, (QStringList{QStringLiteral("Help|first\nsecond\n\n"),
                                    QStringLiteral("Privileges|first\nsecond\n\n")}));
    }
};

QTEST_MAIN(CHelpViewerDlgTest)
#include "CHelpViewerDlgTest.moc"
