#include "OdbcIniSandbox.h"
#include "OdbcTestDb.h"
#include "db/CXDatabase.h"
#include "db/DataSourceRegistration.h"
#include "db/OdbcError.h"
#include "platform/CXRegistry.h"
#include "platform/Paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace qar
{
namespace
{

using test::iniSection;
using test::iniSections;
using test::OdbcIniSandbox;
using test::writeFile;
using Values = std::vector<std::pair<std::string, std::string>>;

/// The first value of the first row a query on a fresh connection gives.
std::string firstValue(const std::string& connect, const std::string& sql)
{
    CXDatabase db;
    db.Open(connect);
    return test::query(db, sql).at(0).at(0).value_or("");
}

std::string sqliteDriver()
{
    return GetSystemDir() + "/" + kAccessDriverFile;
}

class Registration : public ::testing::Test
{
protected:
    void writeDbDat(const std::string& odbcSection) { writeFile(m_sandbox.dbDat(), "[ODBC]\n" + odbcSection); }
    /// A database file below the program directory holding one marker row.
    std::string makeDatabase(const std::string& relative)
    {
        const std::string path = m_sandbox.programDir() + "/" + relative;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        CXDatabase db;
        db.Open("DRIVER=" + sqliteDriver() + ";Database=" + path);
        db.ExecuteSQL("CREATE TABLE Marker (TEXT_VALUE VARCHAR(20))");
        db.ExecuteSQL("INSERT INTO Marker VALUES ('opened')");
        return path;
    }

    OdbcIniSandbox m_sandbox;
};

TEST_F(Registration, AccessDataSourceHoldsEveryValueInOrder)
{
    const std::string db = makeDatabase("data/qar.db");
    writeDbDat("DSN=QarDesk\nUID=admin\nPWD=secret\nFile=data\\qar.db\n");
    EXPECT_FALSE(DsnKeyExists(m_sandbox.dbDat()));

    EXPECT_TRUE(RegisterAccessDsn(m_sandbox.dbDat(), false));

    const std::string sys = OdbcIniSandbox::systemFile();
    EXPECT_EQ(iniSection(sys, "ODBC Data Sources"), (Values{{"QarDesk", "Microsoft Access Driver (*.mdb)"}}));
    EXPECT_EQ(iniSection(sys, "QarDesk"), (Values{
                                              {"DBQ", db},
                                              {"Database", db},
                                              {"Driver", sqliteDriver()},
                                              {"DriverId", "hex:19,00,00,00"},
                                              {"FIL", "MS Access;"},
                                              {"SafeTransactions", "hex:00,00,00,00"},
                                              {"UID", "admin"},
                                              {"PWD", "secret"},
                                              {"JournalMode", "WAL"},
                                              {"SyncPragma", "NORMAL"},
                                              {"Timeout", "10000"},
                                              {"Engines\\Jet\\ImplicitCommitSync", ""},
                                              {"Engines\\Jet\\MaxBufferSize", "hex:00,08,00,00"},
                                              {"Engines\\Jet\\PageTimeout", "hex:05,00,00,00"},
                                              {"Engines\\Jet\\Threads", "hex:03,00,00,00"},
                                              {"Engines\\Jet\\UserCommitSync", "Yes"},
                                          }));
    EXPECT_EQ(iniSections(sys), (std::vector<std::string>{"ODBC Data Sources", "QarDesk"}));
    EXPECT_TRUE(iniSections(m_sandbox.userFile()).empty());
    EXPECT_TRUE(DsnKeyExists(m_sandbox.dbDat()));
    EXPECT_EQ(firstValue("DSN=QarDesk;UID=;PWD=", "SELECT TEXT_VALUE FROM Marker"), "opened");
}

TEST_F(Registration, PerUserDataSourceExistsButIsNotRegisteredMachineWide)
{
    makeDatabase("qar.db");
    writeDbDat("DSN=QarDesk\nFile=qar.db\n");
    ASSERT_TRUE(RegisterAccessDsn(m_sandbox.dbDat(), true));

    EXPECT_EQ(iniSection(m_sandbox.userFile(), "ODBC Data Sources"),
              (Values{{"QarDesk", "Microsoft Access Driver (*.mdb)"}}));
    EXPECT_TRUE(iniSections(OdbcIniSandbox::systemFile()).empty());
    EXPECT_TRUE(DsnKeyExists(m_sandbox.dbDat()));
    EXPECT_FALSE(IsDsnRegistered());
    EXPECT_EQ(firstValue("DSN=QarDesk;UID=;PWD=", "SELECT TEXT_VALUE FROM Marker"), "opened");

    ASSERT_TRUE(RegisterAccessDsn(m_sandbox.dbDat(), false));
    EXPECT_TRUE(IsDsnRegistered());
}

// Never an empty data-source name, a missing database file or an empty server in odbc.ini.
TEST_F(Registration, NothingIsRegisteredWithoutANameAFileOrAServer)
{
    makeDatabase("qar.db");
    std::filesystem::create_directories(m_sandbox.programDir() + "/folder.db");
    for (const char* s : {"DSN=QarDesk\nFile=missing.db\n", "DSN=QarDesk\nFile=folder.db\n", "DSN=QarDesk\n",
                          "UID=u\nFile=qar.db\n", "DSN=\nFile=qar.db\n", ""}) {
        SCOPED_TRACE(s);
        writeDbDat(s);
        EXPECT_FALSE(RegisterAccessDsn(m_sandbox.dbDat(), false));
        EXPECT_FALSE(RegisterAccessDsn(m_sandbox.dbDat(), true));
        if (std::string(s).find("DSN=Qar") == std::string::npos) {
            RegisterMySqlDsn("127.0.0.1", "gbk", 3306);
        }
        EXPECT_FALSE(DsnKeyExists(m_sandbox.dbDat()));
        EXPECT_FALSE(IsDsnRegistered());
    }
    writeDbDat("DSN=QarServer\n");
    RegisterMySqlDsn("", "gbk", 3306);
    EXPECT_TRUE(iniSections(OdbcIniSandbox::systemFile()).empty());
    EXPECT_TRUE(iniSections(m_sandbox.userFile()).empty());
}

TEST_F(Registration, ServerDataSourceHoldsEveryValueInOrder)
{
    const auto values = [](const std::string& server, const std::string& port) {
        return Values{{"DATABASE", "qar"}, {"Driver", GetSystemDir() + "/libmaodbc.so"},
                      {"PORT", port},      {"UID", "qar"},
                      {"PWD", "pw"},       {"SERVER", server},
                      {"CHARSET", "gbk"}};
    };
    writeDbDat("DSN=QarServer\nUID=qar\nPWD=pw\n");
    RegisterMySqlDsn("10.0.0.7", "gbk", 4397);
    const std::string sys = OdbcIniSandbox::systemFile();
    EXPECT_EQ(iniSection(sys, "QarServer"), values("10.0.0.7", "4397"));
    EXPECT_EQ(iniSection(sys, "ODBC Data Sources"), (Values{{"QarServer", "MySQL ODBC 3.51 Driver"}}));
    EXPECT_TRUE(IsDsnRegistered());

    // Registering again without a character set overwrites the values and leaves the old one.
    RegisterMySqlDsn("db.example", "", 3306);
    EXPECT_EQ(iniSection(sys, "QarServer"), values("db.example", "3306"));
}

// The data sources hold the password: a file the registration creates is its owner's alone (the user
// file too), and a file that exists keeps its mode, whatever the process's umask allows.
TEST_F(Registration, CreatedFilesAreTheOwnersAloneAndExistingOnesKeepTheirMode)
{
    makeDatabase("qar.db");
    writeDbDat("DSN=QarServer\nUID=qar\nPWD=secret\nFile=qar.db\n");
    const auto mode = [](const std::string& file) {
        return std::filesystem::status(file).permissions() & std::filesystem::perms::all;
    };
    const std::filesystem::perms ownerOnly = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;
    const std::filesystem::perms shared = ownerOnly | std::filesystem::perms::group_read;
    std::filesystem::remove(m_sandbox.userFile());
    const mode_t umask = ::umask(0);
    RegisterMySqlDsn("10.0.0.7", "", 4397);
    ASSERT_TRUE(RegisterAccessDsn(m_sandbox.dbDat(), true));
    EXPECT_EQ(mode(OdbcIniSandbox::systemFile()), ownerOnly);
    EXPECT_EQ(mode(m_sandbox.userFile()), ownerOnly);
    EXPECT_TRUE(DataSourceFilesReadableByOthers().empty());

    std::filesystem::permissions(OdbcIniSandbox::systemFile(), shared);
    RegisterMySqlDsn("10.0.0.8", "", 4397);
    EXPECT_EQ(mode(OdbcIniSandbox::systemFile()), shared);
    EXPECT_EQ(DataSourceFilesReadableByOthers(), std::vector<std::string>{OdbcIniSandbox::systemFile()})
        << "said in the log when the tool opens its database";
    EXPECT_EQ(iniSection(OdbcIniSandbox::systemFile(), "QarServer").at(5).second, "10.0.0.8");
    ::umask(umask);
}

TEST_F(Registration, RegisteredCheckNeedsDriverAndListEntry)
{
    writeDbDat("DSN=QarServer\n");
    const std::pair<const char*, bool> files[] = {
        {"[QarServer]\nDriver=/x.so\n", false},
        {"[ODBC Data Sources]\nQarServer=Any\n[QarServer]\nSERVER=x\n", false},
        {"[ODBC Data Sources]\nQarServer=\n[QarServer]\nDriver=/x.so\n", false},
        {"[ODBC Data Sources]\nQarServer=Any\n[QarServer]\nDriver=/x.so\n", true}, // the driver is not compared
    };
    for (const auto& [file, registered] : files) {
        SCOPED_TRACE(file);
        writeFile(OdbcIniSandbox::systemFile(), file);
        m_sandbox.forgetCachedReads();
        EXPECT_EQ(IsDsnRegistered(), registered);
    }
}

TEST_F(Registration, ServerDataSourceConnectsToMariaDb)
{
    const auto server = test::mariaDbFromEnv();
    QAR_SKIP_UNLESS(server, "no MariaDB server is configured");
    // The data source names the database "qar"; the throwaway server starts without it.
    CXDatabase admin;
    admin.Open(server->adminConnect());
    admin.ExecuteSQL("CREATE DATABASE IF NOT EXISTS qar");

    writeDbDat("DSN=QarServer\nUID=" + server->user + "\nPWD=" + server->password + "\n");
    RegisterMySqlDsn(server->host, "gbk", server->port);
    EXPECT_EQ(firstValue("DSN=QarServer;UID=" + server->user + ";PWD=" + server->password,
                         "SELECT CONCAT(DATABASE(), '/', @@character_set_client)"),
              "qar/gbk");
}

} // namespace
} // namespace qar
