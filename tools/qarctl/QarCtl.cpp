#include "QarCtl.h"

#include "app/FileFailureText.h"
#include "app/ServerControl.h"
#include "db/CXDatabase.h"
#include "db/ConnectString.h"
#include "db/OdbcError.h"
#include "db/SchemaExtension.h"
#include "db/SchemaUpgrade.h"
#include "intake/IntakeExport.h"
#include "intake/IntakeJob.h"
#include "intake/OrgCheck.h"
#include "intake/ServerNotice.h"
#include "platform/Paths.h"
#include "resources/StringIds.h"
#include "vexnet/VexProtocol.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <iostream>
#include <optional>

namespace qar
{

namespace
{

const char kUsage[] =
    "Usage: qarctl [--dsn NAME [--uid USER] [--pwd PASSWORD] | --connect STRING] COMMAND\n"
    "\n"
    "Bulk import, export and check of the units and users of a QAR database, from a shell.\n"
    "Without --dsn or --connect, the data source of the program directory's DB.dat is used.\n"
    "\n"
    "Commands:\n"
    "  import FILE... [--dry-run] [--on-existing skip|update|stop] [--group N]\n"
    "                 [--kind units|users] [--encoding auto|utf-8|gbk|big5] [--retry N]\n"
    "        Import CSV files or XLSX workbooks (sheets Units and Users), units before users, in one\n"
    "        transaction. Every row is checked with the rules of the unit and user editors; refused rows\n"
    "        are reported with their line and column and left out. A row whose ID exists stops the\n"
    "        import (stop, the default), is left out (skip) or replaces the stored row (update).\n"
    "        --dry-run checks and reports without writing rows. --group: the group of unit rows that\n"
    "        name none. A running RXServer.exe gets change rows and one refresh notification. Like\n"
    "        qaradmin at its start, import first adds the weight columns UserData/setting/DBField.dat\n"
    "        names to the tables (also with --dry-run, so that the check sees what the import writes).\n"
    "        A new user starts without the records a former holder of its ID left in Userx.xml and\n"
    "        MUser.xml; a file that cannot be written then is reported (exit status 1), the rows stay.\n"
    "  export units|users [--group N] [--format csv|xlsx] [--with-passwords] [-o FILE]\n"
    "        Write the units or users (of one group) as CSV (UTF-8, to standard output without -o) or\n"
    "        XLSX; without --format the name of FILE tells which. Passwords are left out unless\n"
    "        --with-passwords is given. What an export writes, an import with --on-existing update\n"
    "        reads back unchanged (without a password column the stored passwords stay).\n"
    "  tree [--group N]\n"
    "        Print the units-and-users tree as the tool shows it.\n"
    "  check [--group N]\n"
    "        List what the tree cannot show: units whose parent is missing or forms a cycle, units at\n"
    "        level 0, users whose unit or group does not exist, duplicate IDs, e-mails and mobiles;\n"
    "        records of Userx.xml and MUser.xml whose user does not exist; and the rows the editors\n"
    "        would refuse (invalid e-mail, unknown role, over-long texts ...), grouped by rule.\n"
    "        --group: the rows of one group only. Nothing is changed.\n"
    "  schema upgrade [--dry-run]\n"
    "        Add what a database made before this version lacks: on MariaDB an invisible key column\n"
    "        (qar_row_id) on every table without a primary key, which a Galera cluster or a replica\n"
    "        needs, and on both engines the indexes on the ids, parents and groups of units and users\n"
    "        and on the change rows. Each change is listed; --dry-run lists them and changes nothing.\n"
    "        Large tables are rebuilt: run it when the server is quiet.\n"
    "\n"
    "Options:\n"
    "  --help      show this text and exit\n"
    "  --version   show the version and exit\n"
    "\n"
    "Exit status: 0 success, 1 rows refused or problems found (report on standard error), 2 usage,\n"
    "3 database unreachable or unreadable, or the import refused by the database (nothing kept),\n"
    "4 the server did not confirm the import's commit (a timeout or a lost connection at the last step):\n"
    "it may or may not have been saved; check with export or check before importing again.\n"
    "\n"
    "Environment: QAR_PROGRAM_DIR (program directory), QAR_LANG=en|zh_CN (language of the report),\n"
    "QAR_VEXNET_PORT (the server's port), ODBCINI and ODBCSYSINI (data sources).\n";

struct Usage
{
    std::string why;
};

struct Command
{
    std::string connect;
    std::string name;
    std::vector<std::string> files;
    bool dryRun = false;
    OnExisting onExisting = OnExisting::Stop;
    std::optional<std::int32_t> group;
    std::optional<SheetKind> kind;
    FileEncoding encoding = FileEncoding::Auto;
    std::optional<SpreadsheetFormat> format;
    bool withPasswords = false;
    std::string output;
    unsigned retries = 0;
};

std::int32_t groupNumber(const std::string& text, const std::string& option = "--group")
{
    std::int32_t value = 0;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), value);
    if (res.ec != std::errc() || res.ptr != text.data() + text.size()) {
        throw Usage{option + " needs a number"};
    }
    return value;
}

Command parse(const std::vector<std::string>& args)
{
    Command c;
    std::string dsn;
    std::string uid;
    std::string pwd;
    bool haveDsn = false;
    std::size_t i = 0;
    const auto value = [&](const std::string& option) -> const std::string& {
        if (i + 1 >= args.size()) {
            throw Usage{option + " needs a value"};
        }
        return args[++i];
    };
    for (; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--dsn") {
            dsn = value(a);
            haveDsn = true;
        } else if (a == "--uid") {
            uid = value(a);
        } else if (a == "--pwd") {
            pwd = value(a);
        } else if (a == "--connect") {
            c.connect = value(a);
        } else if (c.name.empty() && !a.empty() && a[0] != '-') {
            c.name = a;
        } else if (c.name == "import" && a == "--dry-run") {
            c.dryRun = true;
        } else if (c.name == "import" && a == "--on-existing") {
            const std::string& mode = value(a);
            if (mode == "skip") {
                c.onExisting = OnExisting::Skip;
            } else if (mode == "update") {
                c.onExisting = OnExisting::Update;
            } else if (mode != "stop") {
                throw Usage{"--on-existing takes skip, update or stop"};
            }
        } else if (c.name == "import" && a == "--retry") {
            c.retries = static_cast<unsigned>(std::max(0, groupNumber(value(a), a)));
        } else if (c.name == "schema" && c.files.empty() && a == "upgrade") {
            c.files.push_back(a);
        } else if (c.name == "schema" && a == "--dry-run") {
            c.dryRun = true;
        } else if (c.name == "import" && a == "--kind") {
            const std::string& kind = value(a);
            if (kind != "units" && kind != "users") {
                throw Usage{"--kind takes units or users"};
            }
            c.kind = kind == "units" ? SheetKind::Units : SheetKind::Users;
        } else if (c.name == "import" && a == "--encoding") {
            const std::string& e = value(a);
            c.encoding = e == "gbk"                      ? FileEncoding::Gbk
                         : e == "big5"                   ? FileEncoding::Big5
                         : (e == "utf-8" || e == "utf8") ? FileEncoding::Utf8
                                                         : FileEncoding::Auto;
            if (c.encoding == FileEncoding::Auto && e != "auto") {
                throw Usage{"--encoding takes auto, utf-8, gbk or big5"};
            }
        } else if (a == "--group" && !c.name.empty()) {
            c.group = groupNumber(value(a));
        } else if (c.name == "export" && a == "--format") {
            const std::string& f = value(a);
            if (f != "csv" && f != "xlsx") {
                throw Usage{"--format takes csv or xlsx"};
            }
            c.format = f == "xlsx" ? SpreadsheetFormat::Xlsx : SpreadsheetFormat::Csv;
        } else if (c.name == "export" && a == "--with-passwords") {
            c.withPasswords = true;
        } else if (c.name == "export" && (a == "-o" || a == "--output")) {
            c.output = value(a);
        } else if ((c.name == "import" || (c.name == "export" && c.files.empty())) && !a.empty() && a[0] != '-') {
            c.files.push_back(a);
        } else {
            throw Usage{"unexpected argument: " + a};
        }
    }
    if (c.name.empty()) {
        throw Usage{"no command given"};
    }
    if (c.name != "import" && c.name != "export" && c.name != "tree" && c.name != "check" && c.name != "schema") {
        throw Usage{"unknown command: " + c.name};
    }
    if (c.name == "schema" && c.files.empty()) {
        throw Usage{"schema takes upgrade"};
    }
    if (c.name == "import" && c.files.empty()) {
        throw Usage{"import needs a file"};
    }
    if (c.name == "export") {
        if (c.files.size() != 1 || (c.files[0] != "units" && c.files[0] != "users")) {
            throw Usage{"export takes units or users"};
        }
        const auto named = FormatOfName(c.output);
        if (c.format && named && *c.format != *named) {
            throw Usage{"the name of -o FILE says another format than --format"};
        }
        if (!c.format) {
            c.format = named.value_or(SpreadsheetFormat::Csv);
        }
        if (c.format == SpreadsheetFormat::Xlsx && c.output.empty()) {
            throw Usage{"an XLSX export needs -o FILE"};
        }
    }
    if (!c.connect.empty() && haveDsn) {
        throw Usage{"--dsn and --connect exclude each other"};
    }
    if (haveDsn) {
        c.connect = makeConnectString(dsn, uid, pwd);
    } else if (c.connect.empty()) {
        c.connect = defaultConnectString();
    }
    return c;
}

int runImport(const Command& c, CXDatabase& db, std::ostream& out, std::ostream& err)
{
    IntakeOptions options;
    options.onExisting = c.onExisting;
    options.defaultGroup = c.group.value_or(0);
    ReadEditorEnvironment(db, options);
    IntakeReadOptions read;
    read.encoding = c.encoding;
    std::vector<IntakeFile> files;
    for (const std::string& path : c.files) {
        files.push_back(ReadIntakeFile(path, read));
    }
    OrgData data = ReadOrgData(db);
    IntakePlan plan = PlanFiles(data, files, options, EditorUserRowRules(), c.kind);
    const auto report = [&] {
        for (const IntakeProblem& p : plan.problems) {
            err << IntakeProblemText(p) << '\n';
        }
        out << plan.summary() << '\n';
        if (plan.existing > 0) {
            err << IntakeText(str::kIntakeStopped, {std::to_string(plan.existing)}) << '\n';
        }
        return plan.problems.empty() ? kQarCtlOk : kQarCtlRefused;
    };
    const int verdict = report();
    if (c.dryRun || !plan.canApply()) {
        return verdict;
    }
    if (plan.units.empty() && plan.users.empty()) {
        out << IntakeText(str::kIntakeNothingToImport) << '\n';
        return verdict;
    }
    SystemServerProbe probe(std::getenv("DISPLAY") != nullptr);
    const bool serverRunning = probe.findServerWindow() || probe.findServerProcess();
    ApplyResult applied;
    for (unsigned attempt = 1;; ++attempt) {
        try {
            applied = ApplyPlan(db, plan, data, serverRunning);
            break;
        } catch (const DbError& e) {
            if (dynamic_cast<const CommitUnconfirmedError*>(&e) != nullptr) {
                throw;
            }
            if (!IsWriteConflict(e) || attempt > c.retries) {
                err << IntakeText(str::kIntakeRolledBack, {e.what()}) << '\n';
                if (IsWriteConflict(e)) {
                    err << IntakeText(str::kClusterConflictCause) << '\n';
                }
                return kQarCtlDatabase;
            }
            err << IntakeText(str::kClusterRetry, {std::to_string(attempt), std::to_string(c.retries)}) << '\n';
        }
        // Another node changed rows the plan was made from: plan again from the rows as they are now.
        data = ReadOrgData(db);
        plan = PlanFiles(data, files, options, EditorUserRowRules(), c.kind);
        if (!plan.canApply()) {
            return report();
        }
    }
    out << IntakeText(str::kIntakeDone, {std::to_string(applied.unitsAdded), std::to_string(applied.usersAdded),
                                         std::to_string(applied.unitsUpdated), std::to_string(applied.usersUpdated)})
        << '\n';
    for (const FileFailure& f : applied.fileFailures) {
        err << IntakeText(str::kUserRecordsNotSaved, {f.path, FileFailureCause(f.error)}) << '\n';
    }
    const std::uint32_t flags =
        (applied.changedUnits() ? kRefreshUnits : 0) | (applied.changedUsers() ? kRefreshUsers : 0);
    if (flags != 0 && serverRunning && NotifyServerOnce(flags)) {
        out << IntakeText(str::kIntakeServerNotified) << '\n';
    } else if (flags != 0 && !serverRunning) {
        out << IntakeText(str::kIntakeServerAway) << '\n';
    }
    return applied.fileFailures.empty() ? verdict : kQarCtlRefused;
}

int runExport(const Command& c, CXDatabase& db, std::ostream& out, std::ostream& err)
{
    const SheetKind kind = c.files[0] == "units" ? SheetKind::Units : SheetKind::Users;
    const OrgData data = ReadOrgData(db, kind == SheetKind::Users);
    if (c.output.empty()) {
        out << ExportCsv(data, kind, c.group, c.withPasswords);
        return kQarCtlOk;
    }
    std::string error;
    const auto rows = ExportFile(data, {{kind}, c.group, *c.format, c.withPasswords}, c.output, error);
    if (!rows) {
        err << IntakeText(str::kIntakeExportFailed, {c.output, error}) << '\n';
        return kQarCtlRefused;
    }
    err << IntakeText(str::kIntakeExported, {std::to_string(*rows), c.output}) << '\n';
    return kQarCtlOk;
}

int runSchemaUpgrade(const Command& c, CXDatabase& db, std::ostream& out)
{
    const std::vector<SchemaStep> steps = PlanSchemaUpgrade(db);
    const auto describe = [](const SchemaStep& step) {
        return step.kind == SchemaStep::Kind::Key
                   ? IntakeText(str::kSchemaAddKey, {step.table})
                   : IntakeText(str::kSchemaAddIndex, {step.table, step.column, step.index});
    };
    if (steps.empty()) {
        out << IntakeText(str::kSchemaUpToDate) << '\n';
        return kQarCtlOk;
    }
    if (c.dryRun) {
        for (const SchemaStep& step : steps) {
            out << describe(step) << '\n';
        }
        out << IntakeText(str::kSchemaDryRun, {std::to_string(steps.size())}) << '\n';
        return kQarCtlOk;
    }
    // Each step is said as it is done, so an interrupted upgrade shows how far it got.
    ApplySchemaUpgrade(db, steps, [&](const SchemaStep& step) { out << describe(step) << std::endl; });
    out << IntakeText(str::kSchemaUpgraded, {std::to_string(steps.size())}) << '\n';
    return kQarCtlOk;
}

int runCheck(const Command& c, CXDatabase& db, std::ostream& out, std::ostream& err)
{
    const std::vector<CheckFinding> findings = CheckOrgData(ReadOrgData(db), EditorCheckOptions(c.group));
    for (const std::string& line : CheckReportLines(findings)) {
        err << line << '\n';
    }
    out << (findings.empty() ? IntakeText(str::kCheckClean)
                             : IntakeText(str::kCheckSummary, {std::to_string(findings.size())}))
        << '\n';
    return findings.empty() ? kQarCtlOk : kQarCtlRefused;
}

} // namespace

const char* QarCtlUsage()
{
    return kUsage;
}

int RunQarCtl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    Command command;
    try {
        command = parse(args);
    } catch (const Usage& usage) {
        err << "qarctl: " << usage.why << "\n\n" << kUsage;
        return kQarCtlUsage;
    }
    CXDatabase db;
    if (command.name == "import") {
        // The same extension qaradmin makes at its start: an import into a database it never opened writes
        // the weight columns the record objects name.
        EnsureWeightColumns(db, command.connect);
    }
    try {
        db.Open(command.connect);
    } catch (const DbError& e) {
        err << IntakeText(str::kUnableToOpenDb) << ' ' << e.what() << '\n';
        return kQarCtlDatabase;
    }
    try {
        if (command.name == "import") {
            return runImport(command, db, out, err);
        }
        if (command.name == "export") {
            return runExport(command, db, out, err);
        }
        if (command.name == "tree") {
            out << OrgTreeText(ReadOrgData(db), command.group.value_or(0));
            return kQarCtlOk;
        }
        if (command.name == "schema") {
            return runSchemaUpgrade(command, db, out);
        }
        return runCheck(command, db, out, err);
    } catch (const CommitUnconfirmedError& e) {
        err << IntakeText(str::kCommitUnconfirmed) << ' ' << e.what() << '\n';
        return kQarCtlUnconfirmed;
    } catch (const DbError& e) {
        // Reading the tables failed; the import's own write says so above when it was the write.
        err << IntakeText(str::kIntakeReadFailed, {e.what()}) << '\n';
        return kQarCtlDatabase;
    } catch (const std::exception& e) {
        // Preparing the rows failed (a password digest the system refuses): nothing was written either.
        err << IntakeText(str::kIntakeNotWritten, {e.what()}) << '\n';
        return kQarCtlDatabase;
    }
}

} // namespace qar
