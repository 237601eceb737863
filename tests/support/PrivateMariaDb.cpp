#include "PrivateMariaDb.h"

#include "DataGenerator.h"
#include "OdbcTestDb.h"
#include "db/CXDatabase.h"
#include "db/OdbcError.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>
#include <unistd.h>
#include <vector>

namespace qar::test
{

PrivateMariaDb::PrivateMariaDb() : m_data(m_dir.path() / "data")
{
    std::filesystem::create_directories(m_data);
}

PrivateMariaDb::~PrivateMariaDb()
{
    stop();
}

std::string PrivateMariaDb::binary()
{
    for (const char* path : {"/usr/sbin/mariadbd", "/usr/sbin/mysqld", "/usr/bin/mariadbd"}) {
        if (::access(path, X_OK) == 0) {
            return path;
        }
    }
    return {};
}

std::string PrivateMariaDb::connect(const std::string& database) const
{
    return "DRIVER=" + mariaDbDriverPath() + ";SERVER=127.0.0.1;PORT=" + std::to_string(privateServerPort()) +
           ";UID=root;PWD=" + (database.empty() ? "" : ";DATABASE=" + database);
}

void PrivateMariaDb::start()
{
    const std::string data = m_data.string();
    std::vector<std::string> args = {"--no-defaults",
                                     "--datadir=" + data,
                                     "--socket=" + data + "/mysqld.sock",
                                     "--pid-file=" + data + "/mysqld.pid",
                                     "--log-error=" + data + "/server.log",
                                     "--port=" + std::to_string(privateServerPort()),
                                     "--bind-address=127.0.0.1",
                                     "--skip-grant-tables",
                                     "--skip-name-resolve",
                                     "--innodb-log-file-size=8M",
                                     "--innodb-buffer-pool-size=16M"};
    if (::geteuid() == 0) {
        args.insert(args.begin() + 1, "--user=root");
    }
    m_server = std::make_unique<ChildProcess>(binary(), args);
    for (int i = 0; i < 300; ++i) {
        try {
            CXDatabase probe;
            probe.Open(connect());
            return;
        } catch (const OdbcError&) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    FAIL() << "the private MariaDB server did not start; see " << data << "/server.log";
}

void PrivateMariaDb::createDatabase() const
{
    CXDatabase admin;
    admin.Open(connect());
    admin.ExecuteSQL("CREATE DATABASE qar CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin");
    admin.Open(connect("qar"));
    createSchema(admin, schemaFile(DbKind::MariaDb));
}

void PrivateMariaDb::stop()
{
    if (!m_server) {
        return;
    }
    ::kill(m_server->pid(), SIGTERM);
    ::kill(m_server->pid(), SIGCONT); // a stopped server acts on the signal only once it runs
    m_server->stop(SIGTERM);
    m_server.reset();
}

} // namespace qar::test
