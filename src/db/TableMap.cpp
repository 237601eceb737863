#include "db/TableMap.h"

#include "db/ConnectString.h"
#include "settings/CProfileFile.h"

namespace qar
{

namespace
{

struct TableEntry
{
    const char* key;
    const char* defaultName;
};

constexpr TableEntry kTables[] = {
    {"ATB", "AppTable"},     {"DTB", "DutyClassTable"}, {"PTB", "ParamTable"}, {"GTB", "GroupTable"},
    {"MTB", "MsgtypeTable"}, {"UNTB", "UnitTable"},     {"UTB", "BaseTable"},  {"CTB", "ChangeTable"},
};

const TableEntry& entry(TableId id)
{
    return kTables[static_cast<int>(id)];
}

// The bare name: an administrator may write the name as the statements quote it ("[UnitTable]"), and
// the brackets would otherwise be quoted a second time.
std::string readConfig(const char* key, const char* def)
{
    CProfileFile db(DbDatPath(), "CONFIG");
    std::string name = db.GetString(key, def);
    if (name.size() >= 2 && name.front() == '[' && name.back() == ']') {
        name = name.substr(1, name.size() - 2);
    }
    return name;
}

} // namespace

const char* tableKey(TableId id)
{
    return entry(id).key;
}

const char* defaultTableName(TableId id)
{
    return entry(id).defaultName;
}

std::string GetTableName(TableId id)
{
    return readConfig(entry(id).key, entry(id).defaultName);
}

std::string GetBracketedTableName(TableId id)
{
    // Built by appending: GCC 12 at -O3 reports a false overlap (-Wrestrict) for "[" + name + "]".
    std::string quoted(1, '[');
    quoted += GetTableName(id);
    quoted += ']';
    return quoted;
}

std::string GetUserTableNameForLookup()
{
    return readConfig("UTB", "BASE_USERS");
}

} // namespace qar
