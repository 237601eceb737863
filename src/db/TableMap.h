#pragma once

#include <string>

namespace qar
{

/// The eight tables of the table map (DB.dat section "CONFIG").
enum class TableId
{
    App,       ///< "ATB", default "AppTable"
    Duty,      ///< "DTB", default "DutyClassTable"
    EnvParam,  ///< "PTB", default "ParamTable"
    Group,     ///< "GTB", default "GroupTable"
    Msg,       ///< "MTB", default "MsgtypeTable"
    Unit,      ///< "UNTB", default "UnitTable"
    User,      ///< "UTB", default "BaseTable" (the users record object)
    ChangeTmp, ///< "CTB", default "ChangeTable"
};

/// DB.dat key of a table ("ATB" ...).
const char* tableKey(TableId id);
/// Default name of a table when its key is missing.
const char* defaultTableName(TableId id);

/// The bare table name (no brackets) from DB.dat "CONFIG", read anew on every call. For TableId::User
/// this is the record object's name, default "BaseTable".
std::string GetTableName(TableId id);

/// The table name of `id` in the layer's portable square-bracket quotes, as record objects select it.
std::string GetBracketedTableName(TableId id);

/// The users table as change rows, the units-and-users page's lookup and the weight-column extension
/// name it: DB.dat "CONFIG" "UTB", default "BASE_USERS". Read anew on every call; the change log keeps
/// its first answer for the run.
std::string GetUserTableNameForLookup();

} // namespace qar
