#pragma once

#include <string>

namespace qar
{

class CXDatabase;

/// Adds the weight columns DBField.dat "ADD_TABLES" configures ("UTB_WEIGHT" to the users table as
/// change rows name it, "UNTB_WEIGHT" to the units table) before any record object opens. A column that
/// exists already makes its statement fail quietly. True when both weight columns are configured.
bool EnsureWeightColumns(CXDatabase& db, const std::string& connect);

/// Sends "ALTER TABLE <table> ADD <column> integer NULL" exactly as configured (no quoting) on the
/// connection, opened with `connect` for the purpose (with `dsn` when `connect` is empty). The connection
/// is left open only when it was open before. False when the connection or the statement failed; the
/// driver's text then goes to `error` when given, it is never shown.
bool AddIntegerColumn(CXDatabase& db, const std::string& dsn, const std::string& table, const std::string& column,
                      const std::string& connect, std::string* error = nullptr);

} // namespace qar
