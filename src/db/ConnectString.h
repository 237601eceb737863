#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qar
{

/// Path of the database settings file: program directory + "\UserData\config\DB.dat".
std::string DbDatPath();
/// Path of the extra-columns settings file: program directory + "\UserData\setting\DBField.dat".
std::string DbFieldDatPath();

/// One value of a connection string: as it is, or in braces with every '}' doubled when it holds ';',
/// '{' or '}' (or blanks at either end), so that the driver manager reads it back unchanged.
std::string quoteConnectValue(std::string_view value);

/// The system's connection string "ODBC;DSN=%s;UID=%s;PWD=%s" filled with the given values.
std::string makeConnectString(std::string_view dsn, std::string_view uid, std::string_view pwd);

/// The connection string from DB.dat section "ODBC", keys "DSN", "UID", "PWD" (each default empty).
std::string defaultConnectString();

/// What goes to SQLDriverConnect: the system's string without its leading "ODBC;", which unixODBC
/// would take for a data source name.
std::string toDriverConnectString(std::string_view connect);

/// The value of attribute `key` (case-insensitive) in a connection string, braces removed; nullopt when
/// the string does not name it.
std::optional<std::string> connectAttribute(std::string_view connect, std::string_view key);

} // namespace qar
