#include "db/ConnectString.h"

#include "OdbcTestDb.h"
#include "db/CXDatabase.h"
#include "db/OdbcError.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <cstdint>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qar
{
namespace
{

TEST(ConnectString, WrapsValuesTheDriverManagerWouldSplit)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},      {"plain", "plain"},   {"a;b}c", "{a;b}}c}"}, {"{x", "{{x}"},
        {"}", "{}}}"}, {" lead", "{ lead}"}, {"x=y", "x=y"},        {"\xe4\xb8\xad", "\xe4\xb8\xad"},
    };
    for (const auto& [value, quoted] : cases) {
        SCOPED_TRACE(value);
        EXPECT_EQ(quoteConnectValue(value), quoted);
        EXPECT_EQ(connectAttribute(makeConnectString("d", "u", value), "pwd"), value);
    }
    EXPECT_EQ(makeConnectString("QarDsn", "sa", "a;b}c"), "ODBC;DSN=QarDsn;UID=sa;PWD={a;b}}c}");
    EXPECT_EQ(makeConnectString("", "", ""), "ODBC;DSN=;UID=;PWD=");
    // The driver manager gets the string without its "ODBC;" prefix.
    EXPECT_EQ(toDriverConnectString("ODBC;DSN=a;UID=b;PWD=c"), "DSN=a;UID=b;PWD=c");
    EXPECT_EQ(toDriverConnectString("odbc;DSN=a"), "DSN=a");
    EXPECT_EQ(toDriverConnectString("DSN=ODBC;UID=b"), "DSN=ODBC;UID=b");
}

class ConnectionTest : public test::DbTest
{};

TEST_P(ConnectionTest, ReportsTheDriversIdentifierQuoteAndEngine)
{
    CXDatabase& database = m_connection;
    const bool sqlite = GetParam() == test::DbKind::Sqlite;
    EXPECT_EQ(database.identifierQuote(), sqlite ? "\"" : "`");
    EXPECT_EQ(database.engine(), sqlite ? DbEngine::Sqlite : DbEngine::MariaDb);
    EXPECT_EQ(database.quoteBrackets("SELECT [A B] FROM [T]"),
              sqlite ? "SELECT \"A B\" FROM \"T\"" : "SELECT `A B` FROM `T`");
    // A quoted name with a blank and a keyword works only when the quote is really the driver's.
    database.ExecuteSQL(database.quoteBrackets("CREATE TABLE [Odd Name] ([select] integer)"));
    database.ExecuteSQL(database.quoteBrackets("INSERT INTO [Odd Name] ([select]) VALUES (1)"));
    EXPECT_EQ(db().count("[Odd Name]"), 1);
}

// The SQLite driver has no passwords.
class MariaDbConnectionTest : public test::DbTest
{};

TEST_P(MariaDbConnectionTest, PasswordWithSeparatorsAndBracesConnects)
{
    const std::string password = "a;b}c{d";
    db().exec("DROP USER IF EXISTS 'qar_brace'@'127.0.0.1'");
    db().exec("CREATE USER 'qar_brace'@'127.0.0.1' IDENTIFIED BY 'a;b}c{d'");
    db().exec("GRANT ALL PRIVILEGES ON *.* TO 'qar_brace'@'127.0.0.1'");
    CXDatabase database;
    EXPECT_NO_THROW(database.Open(makeConnectString(db().dsn(), "qar_brace", password)));
    database.Close();
    try {
        database.Open(makeConnectString(db().dsn(), "qar_brace", "a;b"));
        ADD_FAILURE() << "a wrong password connected";
    } catch (const OdbcError& e) {
        EXPECT_TRUE(e.hasState("28000")) << e.what();
        EXPECT_EQ(std::string(e.what()).find(password), std::string::npos);
    }
    db().exec("DROP USER 'qar_brace'@'127.0.0.1'");
}

// A closed port, and a listening socket nobody accepts from (the kernel completes the connection, no
// greeting follows): both fail within the login timeout instead of hanging the tool.
TEST(Connection, ServerDownSilentOrUnknownFailsWithinTheLoginTimeout)
{
    test::ensureOdbcDataSources();
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(test::privateServerPort()));
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    for (const auto& [dsn, limit] : {std::pair{test::kClosedPortDsn, 6}, {test::kPrivateServerDsn, 8}}) {
        SCOPED_TRACE(dsn);
        CXDatabase database;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_THROW(database.Open(makeConnectString(dsn, "qar", "x")), OdbcError);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(limit));
        EXPECT_FALSE(database.IsOpen());
    }
    ::close(listener);
    // A data source that does not exist is an error with the driver manager's diagnostics.
    try {
        CXDatabase().Open("ODBC;DSN=NoSuchSource;UID=;PWD=");
        ADD_FAILURE() << "connected to a data source that does not exist";
    } catch (const OdbcError& e) {
        EXPECT_EQ(e.sqlState(), "IM002");
    }
}

QAR_DB_TEST_ON_BOTH_ENGINES(ConnectionTest);
QAR_DB_TEST_ON_MARIADB(MariaDbConnectionTest);

} // namespace
} // namespace qar
