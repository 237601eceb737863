#pragma once

#include "ChildProcess.h"
#include "OdbcTestDb.h"
#include "TempDir.h"

#include <filesystem>
#include <memory>
#include <string>
#include <sys/types.h>

namespace qar::test
{

/// A MariaDB server of the test's own on privateServerPort(), so stopping it (SIGTERM, SIGSTOP)
/// disturbs no other test; it goes with the test process however that ends. It runs without grant tables: any user
/// connects. Reached through the data source kPrivateServerDsn (database "qar").
class PrivateMariaDb
{
public:
    PrivateMariaDb();
    ~PrivateMariaDb();
    PrivateMariaDb(const PrivateMariaDb&) = delete;
    PrivateMariaDb& operator=(const PrivateMariaDb&) = delete;

    /// The server program, empty when none is installed.
    static std::string binary();
    /// A driver connection string to the server (to `database` when given).
    std::string connect(const std::string& database = {}) const;
    /// Starts the server and waits until it answers (a test failure when it does not).
    void start();
    /// Creates the database "qar" with the tool's eight tables.
    void createDatabase() const;
    /// Stops the server (a stopped one is resumed first) and waits for its end.
    void stop();
    pid_t pid() const { return m_server ? m_server->pid() : -1; }

private:
    TempDir m_dir;
    std::filesystem::path m_data;
    std::unique_ptr<ChildProcess> m_server;
};

} // namespace qar::test

/// Skips the test (fails it under QAR_REQUIRE_MARIADB=1) when no MariaDB server program is installed.
#define QAR_REQUIRE_PRIVATE_MARIADB()                                                                                  \
    QAR_SKIP_UNLESS(!::qar::test::PrivateMariaDb::binary().empty(), "no MariaDB server program is installed")
