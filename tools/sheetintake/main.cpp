// SheetIntake.exe: the spreadsheet import and export tool the administration tool starts from
// "Import/Export", from the group editor's "Data Input" and after a first-run set-up.
#include "app/ServerControl.h"
#include "app/ui/CAdminApp.h"
#include "app/ui/MessageService.h"
#include "app/ui/QtTranslations.h"
#include "db/CXDatabase.h"
#include "db/ConnectString.h"
#include "db/OdbcError.h"
#include "db/SchemaExtension.h"
#include "intake/ServerNotice.h"
#include "intake/SheetIntakeArgs.h"
#include "intake/ui/CSheetIntakeDlg.h"
#include "platform/Paths.h"
#include "platform/TreeRefreshMessage.h"
#include "resources/StringIds.h"

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <string>

namespace
{

const char kUsage[] =
    "Usage: SheetIntake.exe -bysys-h<window>-grps<group>|<group>|...-dgrp<group>\n"
    "       SheetIntake.exe -bysys-h<window>-unit<units file>-user<users file>\n"
    "\n"
    "Spreadsheet import and export of the units and users of a QAR database. The administration tool\n"
    "starts it with one of these command lines; it works on the data source of the DB.dat of its\n"
    "program directory.\n"
    "\n"
    "  -h<window>      the window to ask for a tree refresh after an import (0: none)\n"
    "  -grps<list>     the groups offered, each followed by '|'\n"
    "  -dgrp<group>    the selected group (0: none): the group of unit rows that name none, and the\n"
    "                  group an export writes\n"
    "  -unit<file>     after a first-run set-up: the units file left by the installer, imported first\n"
    "  -user<file>     ... and the users file, both into group 1\n"
    "  --help          show this text and exit\n"
    "  --version       show the version and exit\n"
    "\n"
    "Files are CSV (UTF-8, GBK or Big5, detected) or XLSX workbooks with the sheets Units and Users,\n"
    "columns named by a header row. Every row is checked with the rules of the unit and user editors\n"
    "before anything is written; the import is one transaction, and Cancel keeps nothing.\n"
    "\n"
    "Environment: QAR_PROGRAM_DIR (program directory), QAR_LANG=en|zh_CN (language),\n"
    "QAR_VEXNET_PORT (the server's port).\n";

} // namespace

int main(int argc, char** argv)
{
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("SheetIntake.exe %s\n", QAR_VERSION);
            return 0;
        }
        commandLine += (i > 1 ? " " : "") + std::string(argv[i]);
    }
    const auto args = qar::ParseSheetIntakeArgs(commandLine, [](const std::string& p) { return qar::FileExists(p); });
    if (!args) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("SheetIntake"));
    QApplication::setApplicationVersion(QStringLiteral(QAR_VERSION));
    qar::ui::initResources();
    qar::ui::installQtTranslations();

    qar::CXDatabase database;
    // The same extension the administration tool makes at its start, for a database it never opened.
    qar::EnsureWeightColumns(database, qar::defaultConnectString());
    try {
        database.Open(qar::defaultConnectString());
    } catch (const qar::DbError&) {
        qar::ui::MessageService::instance().error(nullptr, qar::str::kUnableToOpenDb);
        return 3;
    }
    const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
    qar::ui::CSheetIntakeDlg::Server server;
    server.running = [x11] {
        qar::SystemServerProbe probe(x11);
        return probe.findServerWindow() || probe.findServerProcess();
    };
    server.notify = [](std::uint32_t flags) { return qar::NotifyServerOnce(flags); };
    server.refreshWindow = [x11](std::uint64_t window) {
        return x11 && window != 0 && window <= UINT32_MAX && qar::SendTreeRefresh(static_cast<std::uint32_t>(window));
    };
    qar::ui::CSheetIntakeDlg dialog(*args, database, server);
    dialog.show();
    const int result = application.exec();
    database.Close();
    return result;
}
