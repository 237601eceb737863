#include "app/ui/CAdminApp.h"

#include "GuiTestSupport.h"
#include "app/StartUp.h"
#include "app/ui/MessageService.h"

#include <QFileInfo>

using namespace qar;
using namespace qar::ui;

// The start-up decisions themselves are covered by the core's tests, the application running the window
// by the end-to-end tests; this shows the application putting up the decided message instead.
class CAdminAppTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initResources(); }

    // The machine itself: the server beside the program, and no data source in the ODBC files.
    void localStartOnThisMachineWithoutDataSourceEndsCleanly()
    {
        test::TempDir dir;
        test::writeFile(dir.file("prog/RXServer.exe"), "");
        test::writeFile(dir.file("prog/UserData/config/DB.dat"), "[ODBC]\nDSN=QarNotRegistered\n");
        QCOMPARE(runOn(dir), QStringLiteral("Unable to connect to DB, please check ODBC settings!"));
        QVERIFY(!QFileInfo::exists(QString::fromStdString(dir.file("prog/UserData/config/icodata"))));
    }

    // A fresh installation, started from the desktop menu: the message names the file to set up.
    void freshProgramDirectoryNamesTheSettingsFileToCreate()
    {
        test::TempDir dir;
        const QString message = runOn(dir);
        QVERIFY2(message.contains(QStringLiteral("missing:\n") +
                                  QString::fromStdString(dir.file("prog/UserData/config/DB.dat")) + QLatin1Char('\n')),
                 qPrintable(message));
        QVERIFY(message.contains(QStringLiteral("man qaradmin")));
    }

private:
    /// Runs the application on the program directory dir/prog with empty ODBC files; returns the one
    /// message it showed, after checking that no main window was made.
    static QString runOn(const test::TempDir& dir)
    {
        test::writeFile(dir.file("odbc/odbc.ini"), "");
        test::ScopedEnv programDir("QAR_PROGRAM_DIR", dir.file("prog").c_str());
        test::ScopedEnv systemIni("ODBCSYSINI", dir.file("odbc").c_str());
        test::ScopedEnv userIni("ODBCINI", dir.file("odbc/user.ini").c_str());
        test::HeadlessMessages messages;
        SystemStartUpEnvironment env;
        test::RecordingLauncher launcher;
        bool made = false;
        CAdminApp app(
            env,
            [&made]() -> std::unique_ptr<ShellHost> {
                made = true;
                return std::make_unique<test::FakeShellHost>();
            },
            launcher);
        const bool ended = app.run("-first") == 0 && !made && MessageService::instance().shown().size() == 1;
        return ended ? MessageService::instance().lastText() : QStringLiteral("(a window ran)");
    }
};

QTEST_MAIN(CAdminAppTest)
#include "CAdminAppTest.moc"
