#include "db/CXDatabase.h"

#include "db/ConnectString.h"
#include "db/OdbcError.h"
#include "db/OdbcStatement.h"
#include "platform/CXRegistry.h"
#include "platform/Locale.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>

namespace qar
{

namespace
{

// A server that stops answering must not freeze the window: the login waits 5 s, and a connection
// waits 10 s for a read or a write before it fails. A reply slower than that is a stalled server here:
// every statement of the tool is a short one.
unsigned g_loginTimeoutSeconds = CXDatabase::kLoginTimeoutSeconds;
unsigned g_transferTimeoutSeconds = CXDatabase::kTransferTimeoutSeconds;

// A value of the data source's own definition: the user's hides the machine's, as the driver manager
// looks them up.
std::optional<std::string> dataSourceValue(const std::string& dsn, const char* keyword)
{
    static const std::string kMissing = "\x01";
    for (RegRoot root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        CXRegistry reg;
        reg.SetRootKey(root);
        if (reg.SetKey("SOFTWARE\\ODBC\\ODBC.INI\\" + dsn, false)) {
            std::string value = reg.ReadString(keyword, kMissing);
            return value == kMissing ? std::nullopt : std::optional<std::string>(std::move(value));
        }
    }
    return std::nullopt;
}

// The seconds a timeout keyword gives: the connection string's value, else the data source's, else
// `fallback`, which is then appended. A site keeps its own values above the defaults (a cluster's
// eviction time can be longer than them), so what it wrote is never overridden.
unsigned timeoutFor(std::string& connect, const std::optional<std::string>& dsn, const char* keyword, unsigned fallback)
{
    std::optional<std::string> given = connectAttribute(connect, keyword);
    if (!given && dsn && !dsn->empty()) {
        given = dataSourceValue(*dsn, keyword);
    }
    if (given) {
        unsigned seconds = 0;
        const auto res = std::from_chars(given->data(), given->data() + given->size(), seconds);
        return res.ec == std::errc() ? seconds : fallback;
    }
    connect += (connect.empty() || connect.back() == ';') ? "" : ";";
    connect += std::string(keyword) + "=" + std::to_string(fallback);
    return fallback;
}

std::string getInfoText(SQLHDBC dbc, SQLUSMALLINT info)
{
    char buffer[256] = {};
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLGetInfo(dbc, info, buffer, sizeof buffer, &length);
    if (!SQL_SUCCEEDED(rc)) {
        return {};
    }
    return std::string(buffer, static_cast<std::size_t>(std::clamp<SQLSMALLINT>(length, 0, sizeof buffer - 1)));
}

DbEngine engineFromName(std::string name)
{
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    if (name.find("sqlite") != std::string::npos) {
        return DbEngine::Sqlite;
    }
    if (name.find("mariadb") != std::string::npos || name.find("mysql") != std::string::npos) {
        return DbEngine::MariaDb;
    }
    return DbEngine::Other;
}

} // namespace

void CXDatabase::setTimeoutsForTesting(unsigned loginSeconds, unsigned transferSeconds)
{
    g_loginTimeoutSeconds = loginSeconds;
    g_transferTimeoutSeconds = transferSeconds;
}

CXDatabase::CXDatabase() = default;

CXDatabase::~CXDatabase()
{
    Close();
}

void CXDatabase::Open(const std::string& connect)
{
    Close();
    // An empty data-source name is refused as the system's driver manager refuses it; unixODBC would
    // instead connect to whatever data source its odbc.ini lists first.
    const auto dsn = connectAttribute(connect, "DSN");
    if (dsn && dsn->empty() && !connectAttribute(connect, "DRIVER") && !connectAttribute(connect, "FILEDSN")) {
        throw OdbcError("SQLDriverConnect",
                        {{"IM002", 0, "Data source name not found and no default driver specified"}});
    }
    if (!m_env) {
        m_env = allocEnvironment();
    }
    DbcHandle dbc = allocConnection(m_env);
    std::string in = toDriverConnectString(connect);
    // MariaDB Connector/ODBC leaves the login timeout attribute aside while it waits for the server's
    // greeting, so a server that accepts but never answers would hang the tool; its own keyword bounds
    // that wait. Its read and write timeouts bound every later wait on a server that froze while
    // connected (the driver has no other way to give up). Other drivers ignore the keywords.
    m_loginTimeout = timeoutFor(in, dsn, "CONN_TIMEOUT", g_loginTimeoutSeconds);
    m_readTimeout = timeoutFor(in, dsn, "READ_TIMEOUT", g_transferTimeoutSeconds);
    timeoutFor(in, dsn, "WRITE_TIMEOUT", g_transferTimeoutSeconds);
    check(SQLSetConnectAttr(dbc.get(), SQL_ATTR_LOGIN_TIMEOUT,
                            reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(m_loginTimeout)), 0),
          SQL_HANDLE_DBC, dbc.get(), "SQLSetConnectAttr(LOGIN_TIMEOUT)");
    // The output string is requested into a scratch buffer and dropped at once: the MariaDB driver
    // writes the password into it.
    SQLCHAR out[1024];
    SQLSMALLINT outLength = 0;
    SQLRETURN rc = waitFor([&] {
        return SQLDriverConnect(dbc.get(), nullptr, reinterpret_cast<SQLCHAR*>(in.data()),
                                static_cast<SQLSMALLINT>(in.size()), out, sizeof out, &outLength, SQL_DRIVER_NOPROMPT);
    });
    std::fill(std::begin(out), std::end(out), SQLCHAR{0});
    std::fill(in.begin(), in.end(), '\0');
    if (rc == SQL_NO_DATA) {
        throw OdbcError("SQLDriverConnect", {{"HY000", 0, "the connection was not made"}});
    }
    check(rc, SQL_HANDLE_DBC, dbc.get(), "SQLDriverConnect");

    m_dbc = std::move(dbc);
    m_open = true;
    ++m_ownChanges; // a new connection: what the last one saw says nothing about this one
    m_inTransaction = false;
    const std::string quote = getInfoText(m_dbc.get(), SQL_IDENTIFIER_QUOTE_CHAR);
    m_quote = (quote == " ") ? std::string() : quote;
    const std::string dbmsName = getInfoText(m_dbc.get(), SQL_DBMS_NAME);
    const std::string dbmsVersion = getInfoText(m_dbc.get(), SQL_DBMS_VER);
    m_dbms = DbmsDescription(dbmsName, dbmsVersion);
    m_engine = engineFromName(dbmsName);
    if (m_engine == DbEngine::Other) {
        m_engine = engineFromName(getInfoText(m_dbc.get(), SQL_DRIVER_NAME));
    }
    if (m_engine == DbEngine::MariaDb) {
        waitForClusterWrites();
    }
}

// On a node of a Galera cluster a read may otherwise run before the node has applied what another node
// committed a moment ago: the tool would show, and compare its writes with, rows that are already old.
// Waiting for the node to catch up before each read costs a round trip within the cluster.
void CXDatabase::waitForClusterWrites()
{
    OdbcStatement probe(*this);
    probe.execute("SHOW VARIABLES LIKE 'wsrep_on'");
    if (!probe.fetch() || LowerAsciiLetters(probe.getText(2)) != "on") {
        return;
    }
    OdbcStatement(*this).execute("SET SESSION wsrep_sync_wait = 1");
}

void CXDatabase::Close() noexcept
{
    if (m_inTransaction) {
        rollback();
    }
    m_dbc.reset();
    m_open = false;
    m_quote.clear();
    m_dbms.clear();
    m_engine = DbEngine::Other;
}

std::string CXDatabase::quoteBrackets(std::string_view sql) const
{
    std::string result;
    result.reserve(sql.size());
    for (char c : sql) {
        if (c == '[' || c == ']') {
            result += m_quote;
        } else {
            result += c;
        }
    }
    return result;
}

void CXDatabase::ExecuteSQL(const std::string& sql)
{
    OdbcStatement stmt(*this);
    stmt.execute(sql);
}

void CXDatabase::beginTransaction()
{
    if (m_inTransaction) {
        throw DbError("a transaction is already open on this connection");
    }
    check(SQLSetConnectAttr(m_dbc.get(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0),
          SQL_HANDLE_DBC, m_dbc.get(), "SQLSetConnectAttr(AUTOCOMMIT OFF)");
    m_inTransaction = true;
    m_rollbackOnly = false;
}

void CXDatabase::commit()
{
    if (m_rollbackOnly) {
        rollback();
        throw DbError("the transaction was rolled back: one of its statements changed more rows than it should");
    }
    endTransaction(SQL_COMMIT);
}

void CXDatabase::rollback() noexcept
{
    try {
        endTransaction(SQL_ROLLBACK);
    } catch (const OdbcError&) {
        // The connection is gone or broken; the server drops the open transaction itself.
        m_inTransaction = false;
    }
}

void CXDatabase::endTransaction(SQLSMALLINT completion)
{
    if (!m_inTransaction) {
        return;
    }
    m_inTransaction = false;
    m_rollbackOnly = false;
    ++m_ownChanges;
    const char* context = completion == SQL_COMMIT ? "SQLEndTran(COMMIT)" : "SQLEndTran(ROLLBACK)";
    SQLRETURN rc = waitFor([&] { return SQLEndTran(SQL_HANDLE_DBC, m_dbc.get(), completion); });
    std::vector<OdbcDiagnostic> failure;
    if (!SQL_SUCCEEDED(rc)) {
        failure = collectDiagnostics(SQL_HANDLE_DBC, m_dbc.get());
        // A commit the database refused (busy, deadlock) may leave the transaction open, and switching
        // back to autocommit would commit it after all: undo it first, so nothing of it stays.
        if (completion == SQL_COMMIT) {
            SQLEndTran(SQL_HANDLE_DBC, m_dbc.get(), SQL_ROLLBACK);
        }
    }
    // Autocommit comes back even when the end failed, so later writes do not join a dead transaction.
    SQLRETURN rcAuto =
        SQLSetConnectAttr(m_dbc.get(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
    if (!SQL_SUCCEEDED(rc)) {
        OdbcError error(context, std::move(failure));
        // The COMMIT went out and no reply came back: the server may have kept everything or nothing,
        // and only reading the tables again tells which.
        if (completion == SQL_COMMIT && IsConnectionFailure(error)) {
            throw CommitUnconfirmedError(error);
        }
        throw error;
    }
    check(rcAuto, SQL_HANDLE_DBC, m_dbc.get(), "SQLSetConnectAttr(AUTOCOMMIT ON)");
}

bool CXDatabase::isReadOnlyStatement(std::string_view sql)
{
    const std::size_t start = sql.find_first_not_of(" \t\r\n(");
    if (start == std::string_view::npos) {
        return true;
    }
    std::string word;
    for (std::size_t i = start; i < sql.size() && std::isalpha(static_cast<unsigned char>(sql[i])); ++i) {
        word += static_cast<char>(std::toupper(static_cast<unsigned char>(sql[i])));
    }
    return word == "SELECT" || word == "PRAGMA" || word == "SHOW";
}

SQLRETURN CXDatabase::waitFor(const std::function<SQLRETURN()>& call)
{
    const auto start = std::chrono::steady_clock::now();
    SQLRETURN rc = SQL_ERROR;
    if (m_runner == nullptr) {
        rc = call();
    } else {
        m_runner->run([&] { rc = call(); });
    }
    // The driver says "lost connection" for a read that timed out: only the time it took tells the two
    // apart. A failure that came after (nearly) a whole timeout is one.
    const auto waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const unsigned shortest = std::min(m_loginTimeout, m_readTimeout);
    const bool failed = rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO && rc != SQL_NO_DATA;
    m_lastNoAnswerSeconds =
        failed && shortest > 0 && waited >= shortest - 0.25 ? static_cast<unsigned>(waited + 0.5) : 0;
    return rc;
}

std::string DbmsDescription(std::string_view name, std::string_view version)
{
    std::string text(name);
    if (version.empty()) {
        return text;
    }
    text += ' ';
    // Only the dotted numbers at the front: what follows them is the vendor's own text.
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    std::size_t i = 0;
    bool leading = true; // at the start of a numeric part
    for (; i < version.size() && (isDigit(version[i]) || version[i] == '.'); ++i) {
        const char c = version[i];
        if (leading && c == '0' && i + 1 < version.size() && isDigit(version[i + 1])) {
            continue;
        }
        leading = c == '.';
        text += c;
    }
    text += version.substr(i);
    return text;
}

} // namespace qar
