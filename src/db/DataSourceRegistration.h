#pragma once

#include <string>

namespace qar
{

/// Name under "ODBC Data Sources" of the desktop-database data source (served by the SQLite driver).
inline constexpr const char* kAccessDriverName = "Microsoft Access Driver (*.mdb)";
/// Name under "ODBC Data Sources" of the database-server data source (served by MariaDB Connector/ODBC).
inline constexpr const char* kMySqlDriverName = "MySQL ODBC 3.51 Driver";
/// Driver libraries in the system directory standing for odbcjt32.dll and myodbc3.dll.
inline constexpr const char* kAccessDriverFile = "libsqlite3odbc.so";
inline constexpr const char* kMySqlDriverFile = "libmaodbc.so";
/// The database a server data source opens.
inline constexpr const char* kMySqlDatabase = "qar";

/// True when the machine-wide data source named by DB.dat has a driver and is listed under
/// "ODBC Data Sources". Data sources of the current user do not count.
bool IsDsnRegistered();

/// Registers the DB.dat data source machine-wide for a database server; the character set is written
/// only when not empty. An empty server, or an empty data-source name, writes nothing.
void RegisterMySqlDsn(const std::string& server, const std::string& charset, int port);

/// True when the data source named in the given DB.dat exists for the current user or machine-wide.
bool DsnKeyExists(const std::string& dbDat);

/// Registers the data source of the given DB.dat for the database file it names (relative to the
/// program directory). False, with nothing written, when the file is missing or no name is set.
bool RegisterAccessDsn(const std::string& dbDat, bool perUser);

} // namespace qar
