#include "app/ui/CAdminApp.h"

#include "GuiTestSupport.h"
#include "app/StartUp.h"
#include "app/ui/MessageService.h"

#include <QFileInfo>

using namespace qar;
using namespace qar::ui;

namespace
{

class FakeStartUp : public StartUpEnvironment
{
public:
    bool serverBesideProgram() override { return true; }
    bool isDataSourceRegistered() override { return true; }
    void ensureDirectory(const std::string&) override {}
    MySqlSetting readMySqlSetting() override { return {"gbk", 3306}; }
    int systemLcid() override { return 1033; }
    void registerMySqlDataSource(const std::string&, const std::string&, int) override {}
    void pause(int) override {}
};

} // namespace

// The start-up decisions themselves are covered by the core's tests; these show that the application
// puts up the decided message or runs the window.
class CAdminAppTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initResources(); }

    // The window runs and, with no database behind the fake host, closes itself after its message.
    void localStartWithADataSourceRunsTheWindow()
    {
        test::ProgramSandbox box;
        FakeStartUp env;
        test::RecordingLauncher launcher;
        bool made = false;
        CAdminApp app(
            env,
            [&made] {
                made = true;
                auto host = std::make_unique<test::FakeShellHost>();
                host->openResult = false;
                return host;
            },
            launcher);
        QCOMPARE(app.run("-SetIP:10.0.0.5-Group:3"), 0);
        QVERIFY(made);
        const auto& shown = MessageService::instance().shown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.front().text, QStringLiteral("Unable to open DB!"));
        QCOMPARE(shown.front().caption, QStringLiteral("QAR Server Data Configuration"));
    }

    // The machine itself: the server beside the program, and no data source in the ODBC files.
    void localStartOnThisMachineWithoutDataSourceEndsCleanly()
    {
        test::TempDir dir;
        test::writeFile(dir.file("prog/RXServer.exe"), "");
        test::writeFile(dir.file("prog/UserData/config/DB.dat"), "[ODBC]\nDSN=QarNotRegistered\n");
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
        QCOMPARE(app.run("-first"), 0);
        QCOMPARE(MessageService::instance().lastText(),
                 QStringLiteral("Unable to connect to DB, please check ODBC settings!"));
        QVERIFY(!made);
        QCOMPARE(MessageService::instance().shown().size(), 1);
        QVERIFY(!QFileInfo::exists(QString::fromStdString(dir.file("prog/UserData/config/icodata"))));
    }
};

QTEST_MAIN(CAdminAppTest)
#include "CAdminAppTest.moc"
