#include "OdbcTestDb.h"

#include "DataGenerator.h"
#include "db/ColumnMap.h"
#include "db/ConnectString.h"
#include "db/OdbcError.h"
#include "db/OdbcStatement.h"
#include "platform/Paths.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <netinet/in.h>
#include <sstream>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace qar::test
{

namespace
{

std::string envOr(const char* name, const std::string& def = {})
{
    const char* v = std::getenv(name);
    return (v && *v) ? std::string(v) : def;
}

// A loopback port free right now: bound to port 0, read back, released.
int freeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    const bool bound = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
                       ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0;
    if (fd >= 0) {
        ::close(fd);
    }
    if (!bound) {
        throw std::runtime_error("no free loopback port");
    }
    return ntohs(addr.sin_port);
}

std::string processDatabaseName()
{
    return "qar_t_" + std::to_string(::getpid());
}

// A folder of this test process, removed at exit.
const std::string& processTempDir()
{
    static TempDir dir;
    static const std::string path = dir.path().string();
    return path;
}

int g_privatePort = 0;

} // namespace

std::string MariaDbServer::adminConnect() const
{
    return "DRIVER=" + mariaDbDriverPath() + ";SERVER=" + host + ";PORT=" + std::to_string(port) +
           ";UID=" + quoteConnectValue(user) + ";PWD=" + quoteConnectValue(password);
}

std::optional<MariaDbServer> mariaDbFromEnv()
{
    MariaDbServer server{envOr("QAR_TEST_MARIADB_HOST"), std::atoi(envOr("QAR_TEST_MARIADB_PORT", "0").c_str()),
                         envOr("QAR_TEST_MARIADB_USER"), envOr("QAR_TEST_MARIADB_PASSWORD")};
    if (server.host.empty() || server.user.empty() || server.port <= 0) {
        return std::nullopt;
    }
    return server;
}

bool mariaDbRequired()
{
    return envOr("QAR_REQUIRE_MARIADB") == "1";
}

std::string mariaDbDriverPath()
{
    return GetSystemDir() + "/libmaodbc.so";
}

std::string schemaFile(DbKind kind)
{
    return std::string(QAR_SQL_DIR) + (kind == DbKind::Sqlite ? "/schema-sqlite.sql" : "/schema-mariadb.sql");
}

void ensureOdbcDataSources()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const std::string dir = processTempDir() + "/odbc";
        std::filesystem::create_directories(dir);
        // Set before the first ODBC call of the process (looking for the drivers is one): the driver
        // manager keeps what it read.
        ::setenv("ODBCSYSINI", dir.c_str(), 1);
        ::setenv("ODBCINI", (dir + "/user-odbc.ini").c_str(), 1);
        const std::string closedPort = std::to_string(freeLoopbackPort());
        g_privatePort = freeLoopbackPort();
        const std::string maria = "]\nDriver=" + mariaDbDriverPath();
        std::ostringstream ini;
        ini << "[" << kSqliteDsn << "]\nDriver=" << GetSystemDir()
            << "/libsqlite3odbc.so\nDatabase=" << processTempDir()
            << "/qar.db\nJournalMode=WAL\nSyncPragma=NORMAL\nTimeout=10000\n\n";
        if (auto server = mariaDbFromEnv()) {
            const std::string at = "\nSERVER=" + server->host + "\nPORT=" + std::to_string(server->port) +
                                   "\nDATABASE=" + processDatabaseName() + "\nCHARSET=";
            ini << "[" << kMariaDbDsn << maria << at << "utf8mb4\n\n[" << kMariaDbGbkDsn << maria << at << "gbk\n\n";
        }
        ini << "[" << kClosedPortDsn << maria << "\nSERVER=127.0.0.1\nPORT=" << closedPort << "\nDATABASE=qar\n\n";
        ini << "[" << kPrivateServerDsn << maria << "\nSERVER=127.0.0.1\nPORT=" << g_privatePort
            << "\nDATABASE=qar\nCHARSET=utf8mb4\n\n";
        writeFile(dir + "/odbcinst.ini", "");
        writeFile(dir + "/odbc.ini", "");
        writeFile(dir + "/user-odbc.ini", ini.str());
    });
}

int privateServerPort()
{
    ensureOdbcDataSources();
    return g_privatePort;
}

OdbcTestDb::OdbcTestDb(DbKind kind) : m_kind(kind)
{
    ensureOdbcDataSources();
    if (kind == DbKind::Sqlite) {
        m_dsn = kSqliteDsn;
        std::filesystem::remove(processTempDir() + "/qar.db");
    } else {
        auto server = mariaDbFromEnv();
        if (!server) {
            throw std::runtime_error("no MariaDB server configured (QAR_TEST_MARIADB_*)");
        }
        m_dsn = kMariaDbDsn;
        m_uid = server->user;
        m_pwd = server->password;
        const std::string db = processDatabaseName();
        m_admin.Open(server->adminConnect());
        m_admin.ExecuteSQL("DROP DATABASE IF EXISTS " + db);
        m_admin.ExecuteSQL("CREATE DATABASE " + db + " CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin");
        m_admin.Close();
    }
    m_admin.Open(connectString());
    createSchema(m_admin, schemaFile(kind));
}

OdbcTestDb::~OdbcTestDb()
{
    if (m_kind == DbKind::MariaDb && m_admin.IsOpen()) {
        try {
            m_admin.ExecuteSQL("DROP DATABASE IF EXISTS " + processDatabaseName());
        } catch (const std::exception&) {
            // A server stopped by the test: the next run drops it.
        }
    }
}

std::string OdbcTestDb::connectString() const
{
    return makeConnectString(m_dsn, m_uid, m_pwd);
}

std::string OdbcTestDb::dbDat(const std::string& extra) const
{
    return "[ODBC]\nDSN=" + m_dsn + "\nUID=" + m_uid + "\nPWD=" + m_pwd + "\n" + extra;
}

void OdbcTestDb::exec(const std::string& sql)
{
    m_admin.ExecuteSQL(m_admin.quoteBrackets(sql));
}

Rows rows(std::initializer_list<std::vector<const char*>> list)
{
    Rows out;
    for (const auto& row : list) {
        out.emplace_back(row.begin(), row.end());
    }
    return out;
}

Rows query(CXDatabase& database, const std::string& sql)
{
    OdbcStatement stmt(database);
    stmt.execute(sql);
    SQLHSTMT h = stmt.handle();
    SQLSMALLINT columns = 0;
    check(SQLNumResultCols(h, &columns), SQL_HANDLE_STMT, h, "SQLNumResultCols");
    Rows out;
    while (check(SQLFetch(h), SQL_HANDLE_STMT, h, "SQLFetch") != SQL_NO_DATA) {
        auto& row = out.emplace_back();
        for (SQLSMALLINT c = 1; c <= columns; ++c) {
            char buffer[4096];
            SQLLEN ind = 0;
            check(SQLGetData(h, static_cast<SQLUSMALLINT>(c), SQL_C_CHAR, buffer, sizeof buffer, &ind), SQL_HANDLE_STMT,
                  h, "SQLGetData");
            row.emplace_back(ind == SQL_NULL_DATA ? std::nullopt
                                                  : std::optional(std::string(buffer, static_cast<std::size_t>(ind))));
        }
    }
    return out;
}

Rows OdbcTestDb::query(const std::string& sql)
{
    return test::query(m_admin, m_admin.quoteBrackets(sql));
}

long long OdbcTestDb::count(const std::string& fromWhere)
{
    return std::stoll(query("SELECT COUNT(*) FROM " + fromWhere).at(0).at(0).value());
}

Rows OdbcTestDb::changeRows()
{
    return query("SELECT [REC_ID], [Table_Name], [Field_Name], [Key_Value], [Change_Act] FROM [ChangeTable] ORDER BY "
                 "[REC_ID]");
}

void OdbcTestDb::refuseInserts(const std::string& table, const std::string& condition)
{
    exec(m_kind == DbKind::Sqlite
             ? "CREATE TRIGGER refuse BEFORE INSERT ON [" + table + "] WHEN " + condition +
                   " BEGIN SELECT RAISE(ABORT, 'refused'); END"
             : "CREATE TRIGGER refuse BEFORE INSERT ON [" + table + "] FOR EACH ROW BEGIN IF " + condition +
                   " THEN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'refused'; END IF; END");
}

void DbTest::SetUp()
{
    if (GetParam() == DbKind::MariaDb) {
        QAR_SKIP_UNLESS(mariaDbFromEnv(), "no MariaDB server is configured");
    }
    m_programEnv = std::make_unique<ScopedEnv>("QAR_PROGRAM_DIR", m_programDir.path().c_str());
    ColumnMap::resetAllForTesting();
    ResetChangeLogForTesting();
    m_db = std::make_unique<OdbcTestDb>(GetParam());
    writeDbDat();
    m_connection.Open(m_db->connectString());
}

void DbTest::TearDown()
{
    m_connection.Close();
    m_db.reset();
    m_programEnv.reset();
    ColumnMap::resetAllForTesting();
    ResetChangeLogForTesting();
}

void DbTest::writeDbDat(const std::string& extra)
{
    writeFile(m_programDir.file("UserData/config/DB.dat"), m_db->dbDat(extra));
}

void DbTest::writeDbFieldDat(const std::string& text)
{
    writeFile(m_programDir.file("UserData/setting/DBField.dat"), text);
}

} // namespace qar::test
