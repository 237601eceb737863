// qar_datagen: fills a QAR database with groups, roles, a unit tree and users for demos and benchmarks.

#include "DataGenerator.h"
#include "db/CXDatabase.h"
#include "db/ConnectString.h"
#include "db/OdbcError.h"
#include "platform/Locale.h"
#include "platform/Paths.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

namespace
{

const char* const kUsage = R"(usage: qar_datagen TARGET [options]
target (one of):
  --sqlite FILE        an SQLite database file, through the SQLite ODBC driver
  --dsn NAME           an ODBC data source, with --uid USER and --pwd PASSWORD
  --connect STRING     an ODBC connection string
options:
  --schema             drop the eight tables and create them from the schema file of the engine
  --sql-dir DIR        where schema-sqlite.sql and schema-mariadb.sql lie (default: the source tree's sql/)
  --clear              delete the rows of the groups, roles, units and users tables first
  --demo               the demo's rows: 3 groups, 40 units 4 levels deep, 300 users, seed 7 (options
                       after it change them)
  --groups N           groups (default 5)
  --units N            units over all groups (default 500)
  --depth N            deepest unit level (default 6)
  --users N            users (default 10000)
  --seed N             random seed (default 1): the same seed gives the same rows
  --lcid N             locale id whose ANSI code page the names are written in (2052 GBK, 1028 Big5,
                       1033 UTF-8; default: the system's)
Users get the roles of the program directory's role file (QAR_PROGRAM_DIR; role 0 without one), and the
password method is written under the parameter name its EnvParam.dat gives, "MD5", with the passwords
stored accordingly.
)";

struct Args
{
    std::string connect;
    std::string sqlDir;
    bool schema = false;
    bool clear = false;
    qar::DataGenOptions options;
};

int toInt(const char* text, const char* option)
{
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 0 || value > 100000000) {
        throw std::invalid_argument(std::string("bad number for ") + option + ": " + text);
    }
    return static_cast<int>(value);
}

std::string defaultSqlDir()
{
    if (const char* source = std::getenv("QAR_SOURCE_DIR"); source && *source) {
        return std::string(source) + "/sql";
    }
    return QAR_DATAGEN_SQL_DIR;
}

Args parse(int argc, char** argv)
{
    Args args;
    std::string dsn;
    std::string uid;
    std::string pwd;
    for (int i = 1; i < argc; ++i) {
        const std::string opt = argv[i];
        const auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                throw std::invalid_argument("missing value for " + opt);
            }
            return argv[++i];
        };
        if (opt == "--sqlite") {
            args.connect = "DRIVER=" + qar::GetSystemDir() + "/libsqlite3odbc.so;Database=" + value();
        } else if (opt == "--dsn") {
            dsn = value();
        } else if (opt == "--uid") {
            uid = value();
        } else if (opt == "--pwd") {
            pwd = value();
        } else if (opt == "--connect") {
            args.connect = value();
        } else if (opt == "--schema") {
            args.schema = true;
        } else if (opt == "--sql-dir") {
            args.sqlDir = value();
        } else if (opt == "--clear") {
            args.clear = true;
        } else if (opt == "--demo") {
            args.options = qar::DemoDataOptions();
        } else if (opt == "--groups") {
            args.options.groups = toInt(value(), "--groups");
        } else if (opt == "--units") {
            args.options.units = toInt(value(), "--units");
        } else if (opt == "--depth") {
            args.options.depth = toInt(value(), "--depth");
        } else if (opt == "--users") {
            args.options.users = toInt(value(), "--users");
        } else if (opt == "--seed") {
            args.options.seed = static_cast<std::uint32_t>(toInt(value(), "--seed"));
        } else if (opt == "--lcid") {
            qar::SetSystemDefaultLCID(toInt(value(), "--lcid"));
        } else {
            throw std::invalid_argument("unknown option " + opt);
        }
    }
    if (!dsn.empty()) {
        args.connect = qar::makeConnectString(dsn, uid, pwd);
    }
    if (args.connect.empty()) {
        throw std::invalid_argument("no database given (--sqlite, --dsn or --connect)");
    }
    if (args.sqlDir.empty()) {
        args.sqlDir = defaultSqlDir();
    }
    args.options.codePage = qar::GetAnsiCodePage();
    qar::FollowProgramDirectory(args.options);
    return args;
}

} // namespace

int main(int argc, char** argv)
{
    Args args;
    try {
        args = parse(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qar_datagen: %s\n%s", e.what(), kUsage);
        return 2;
    }
    try {
        const auto start = std::chrono::steady_clock::now();
        qar::CXDatabase db;
        db.Open(args.connect);
        if (args.schema) {
            if (db.engine() == qar::DbEngine::Other) {
                throw std::runtime_error("--schema knows SQLite and MariaDB only");
            }
            const char* file = db.engine() == qar::DbEngine::Sqlite ? "/schema-sqlite.sql" : "/schema-mariadb.sql";
            qar::createSchema(db, args.sqlDir + file);
        }
        if (args.clear) {
            qar::clearGeneratedTables(db);
        }
        const qar::DataGenCounts counts = qar::generateData(db, args.options);
        db.Close();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("groups %zu, roles %zu, units %zu, users %zu in %.2f s\n", counts.groups, counts.roles,
                    counts.units, counts.users, seconds);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qar_datagen: %s\n", e.what());
        return 1;
    }
    return 0;
}
