#include "db/DataSourceRegistration.h"

#include "platform/CXRegistry.h"
#include "platform/Paths.h"
#include "settings/CProfileFile.h"

#include <cstdio>

namespace qar
{

namespace
{

constexpr const char* kOdbcIniKey = "SOFTWARE\\ODBC\\ODBC.INI\\";
constexpr const char* kDataSourcesKey = "SOFTWARE\\ODBC\\ODBC.INI\\ODBC Data Sources";

struct OdbcSettings
{
    std::string dsn;
    std::string uid;
    std::string pwd;
    std::string file;
};

OdbcSettings readOdbcSettings(const std::string& dbDat)
{
    CProfileFile profile(dbDat, "ODBC");
    OdbcSettings settings;
    settings.dsn = profile.GetString("DSN");
    settings.uid = profile.GetString("UID");
    settings.pwd = profile.GetString("PWD");
    settings.file = profile.GetString("File");
    return settings;
}

std::string programDbDat()
{
    return ProgramPath("\\UserData\\config\\DB.dat");
}

std::string driverPath(const char* file)
{
    return GetSystemDir() + "/" + file;
}

} // namespace

bool IsDsnRegistered()
{
    const std::string dsn = readOdbcSettings(programDbDat()).dsn;
    if (dsn.empty()) {
        return false;
    }
    CXRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    std::string driver;
    if (reg.SetKey(kOdbcIniKey + dsn, false)) {
        driver = reg.ReadString("Driver", "");
    }
    std::string listed;
    if (reg.SetKey(kDataSourcesKey, false)) {
        listed = reg.ReadString(dsn, "");
    }
    return !driver.empty() && !listed.empty();
}

void RegisterMySqlDsn(const std::string& server, const std::string& charset, int port)
{
    if (server.empty()) {
        return;
    }
    const OdbcSettings settings = readOdbcSettings(programDbDat());
    // Without a name the values would land in the data-source store itself.
    if (settings.dsn.empty()) {
        return;
    }
    CXRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    if (reg.SetKey(kOdbcIniKey + settings.dsn, true)) {
        reg.WriteString("DATABASE", kMySqlDatabase);
        reg.WriteString("Driver", driverPath(kMySqlDriverFile));
        char portText[16];
        std::snprintf(portText, sizeof portText, "%d", port);
        reg.WriteString("PORT", portText);
        reg.WriteString("UID", settings.uid);
        reg.WriteString("PWD", settings.pwd);
        reg.WriteString("SERVER", server);
        // MariaDB Connector/ODBC reads the connection's character set from this value, so text in
        // GBK or Big5 reaches the server unchanged.
        if (!charset.empty()) {
            reg.WriteString("CHARSET", charset);
        }
    }
    if (reg.SetKey(kDataSourcesKey, true)) {
        reg.WriteString(settings.dsn, kMySqlDriverName);
    }
}

bool DsnKeyExists(const std::string& dbDat)
{
    const std::string dsn = readOdbcSettings(dbDat).dsn;
    if (dsn.empty()) {
        return false;
    }
    CXRegistry reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    if (reg.SetKey(kOdbcIniKey + dsn, false)) {
        return true;
    }
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    return reg.SetKey(kOdbcIniKey + dsn, false);
}

bool RegisterAccessDsn(const std::string& dbDat, bool perUser)
{
    const OdbcSettings settings = readOdbcSettings(dbDat);
    if (settings.dsn.empty()) {
        return false;
    }
    const std::string database = ProgramPath("\\" + settings.file);
    if (!FileExists(database)) {
        return false;
    }
    CXRegistry reg;
    reg.SetRootKey(perUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE);
    if (reg.SetKey(kDataSourcesKey, true)) {
        reg.WriteString(settings.dsn, kAccessDriverName);
    }
    const std::string key = kOdbcIniKey + settings.dsn;
    if (reg.SetKey(key, true)) {
        reg.WriteString("DBQ", database);
        // The SQLite driver ignores DBQ and would open an empty temporary database instead.
        reg.WriteString("Database", database);
        reg.WriteString("Driver", driverPath(kAccessDriverFile));
        reg.WriteBinaryInt("DriverId", 25);
        reg.WriteString("FIL", "MS Access;");
        reg.WriteBinaryInt("SafeTransactions", 0);
        reg.WriteString("UID", settings.uid);
        reg.WriteString("PWD", settings.pwd);
        // The database file is shared with the running server: write-ahead logging lets it read while
        // the tool writes, and syncing at checkpoints rather than at every commit keeps an operation
        // that writes a thousand rows one by one (a unit code change) near a second, not half a minute.
        reg.WriteString("JournalMode", "WAL");
        reg.WriteString("SyncPragma", "NORMAL");
        // The driver would wait 100 s for another program's lock; the administrator learns sooner.
        reg.WriteString("Timeout", "10000");
    }
    if (reg.SetKey(key + "\\Engines\\Jet", true)) {
        reg.WriteString("ImplicitCommitSync", "");
        reg.WriteBinaryInt("MaxBufferSize", 2048);
        reg.WriteBinaryInt("PageTimeout", 5);
        reg.WriteBinaryInt("Threads", 3);
        reg.WriteString("UserCommitSync", "Yes");
    }
    return true;
}

} // namespace qar
