#include "db/SchemaExtension.h"

#include "db/CXDatabase.h"
#include "db/ColumnMap.h"
#include "db/ConnectString.h"
#include "db/OdbcError.h"
#include "db/TableMap.h"
#include "settings/CProfileFile.h"

namespace qar
{

bool EnsureWeightColumns(CXDatabase& db, const std::string& connect)
{
    const std::string dsn = CProfileFile(DbDatPath(), "ODBC").GetString("DSN");
    // The users table as change rows name it ("BASE_USERS" without "UTB"), not the record object's
    // default: a real installation sets "UTB" and then both agree.
    const std::string usersTable = GetUserTableNameForLookup();
    const std::string unitsTable = GetTableName(TableId::Unit);
    const std::string usersWeight = readWeightColumn("UTB_WEIGHT");
    const std::string unitsWeight = readWeightColumn("UNTB_WEIGHT");
    if (!usersWeight.empty()) {
        AddIntegerColumn(db, dsn, usersTable, usersWeight, connect);
    }
    if (!unitsWeight.empty()) {
        AddIntegerColumn(db, dsn, unitsTable, unitsWeight, connect);
    }
    return !usersWeight.empty() && !unitsWeight.empty();
}

bool AddIntegerColumn(CXDatabase& db, const std::string& dsn, const std::string& table, const std::string& column,
                      const std::string& connect, std::string* error)
{
    const bool wasOpen = db.IsOpen();
    db.Close();
    bool added = false;
    try {
        db.Open(connect.empty() ? makeConnectString(dsn, "", "") : connect);
        // Sent as configured: the names are the administrator's, brackets and all.
        db.ExecuteSQL("ALTER TABLE " + table + " ADD " + column + " integer NULL");
        added = true;
    } catch (const DbError& e) {
        // Most often the column exists already from an earlier start; nothing is reported. A database
        // that cannot be reached here is reported by the main window's first open.
        if (error != nullptr) {
            *error = e.what();
        }
    }
    if (!wasOpen) {
        db.Close();
    }
    return added;
}

} // namespace qar
