#include "app/ui/DatabaseWait.h"

#include "GuiTestSupport.h"
#include "PrivateMariaDb.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/CMainDlg.h"
#include "db/ConnectString.h"
#include "resources/StringIds.h"

#include <QGuiApplication>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>

#include <csignal>

using namespace qar;
using namespace qar::ui;

// A server that stops answering (frozen, not down) while the window reads: the window keeps painting,
// shows a busy cursor and a note within about half a second, and once the timeouts give up it says
// that the server did not answer, with the driver's words under "Details".
class DatabaseWaitTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initResources(); }

    void aFrozenServerShowsTheWaitAndThenSaysItDidNotAnswer()
    {
        if (test::PrivateMariaDb::binary().empty()) {
            QSKIP("no MariaDB server program is installed");
        }
        test::ensureOdbcDataSources();
        test::PrivateMariaDb server;
        server.start();
        server.createDatabase();
        test::ProgramSandbox box;
        CXDatabase::setTimeoutsForTesting(2, 2);
        test::FakeShellHost host(makeConnectString(test::kPrivateServerDsn, "qar", "any"), true);
        test::RecordingLauncher launcher;
        CMainDlg window(StartOptions{}, host, launcher);
        QVERIFY(window.initialise());
        window.show();
        QCoreApplication::sendPostedEvents();

        ::kill(server.pid(), SIGSTOP);
        bool cursorBusy = false;
        bool noteShown = false;
        QTimer::singleShot(1200, &window, [&] {
            cursorBusy = QGuiApplication::overrideCursor() != nullptr &&
                         QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
            const auto* note = window.findChild<QProgressDialog*>(QStringLiteral("databaseWaitDialog"));
            noteShown = note != nullptr && note->isVisible() &&
                        note->labelText() == QStringLiteral("Waiting for the database server...");
        });
        QElapsedTimer clock;
        clock.start();
        window.reconnectNow();
        ::kill(server.pid(), SIGCONT);
        CXDatabase::setTimeoutsForTesting(CXDatabase::kLoginTimeoutSeconds, CXDatabase::kTransferTimeoutSeconds);
        QVERIFY(clock.elapsed() >= 1200);
        QVERIFY(cursorBusy);
        QVERIFY(noteShown);
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
        QVERIFY(window.connectionFailure().startsWith(QStringLiteral("The database server did not answer within")));
    }
};

QTEST_MAIN(DatabaseWaitTest)
#include "DatabaseWaitTest.moc"
