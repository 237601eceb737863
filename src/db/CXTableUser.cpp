#include "db/CXTableUser.h"

#include "db/ColumnMap.h"
#include "db/TableMap.h"

namespace qar
{

namespace
{

constexpr ColumnKey kColumns[] = {
    {"_ID", "[USER_ID]"},
    {"_PASS", "[PASSWORD]"},
    {"_NAME", "[NAME]"},
    {"_MID", "[MACHINE_ID]"},
    {"_PFLAG", "[POWER_FLAG]"},
    {"_EMAIL", "[EMAIL]"},
    {"_MOBI", "[MOBILE]"},
    {"_UNIT", "[UNIT_ID]"},
    {"_DUTY", "[DUTY]"},
    {"_STATUS", "[USER_STATUS]"},
    {"_OL", "[OL_TIME]"},
    {"_SCORE", "[SCORE]"},
    {"_DUTY_CLASS", "[DUTY_CLASS]"},
    {"_GROUP", "[GROUP_ID]"},
};

ColumnMap& columnMap()
{
    static ColumnMap map("USER_TABLE", kColumns, "UTB_WEIGHT");
    return map;
}

} // namespace

CXTableUser::CXTableUser(CXDatabase* database)
    : CXRecordset(database), m_hasWeight(!readWeightColumn("UTB_WEIGHT").empty())
{}

std::string CXTableUser::GetDefaultSQL() const
{
    return GetBracketedTableName(TableId::User);
}

void CXTableUser::DoFieldExchange(CFieldExchange& fx)
{
    const std::vector<std::string>& names = columnMap().names();
    fx.exchange(names[0], m_USER_ID);
    fx.exchange(names[1], m_PASSWORD);
    fx.exchange(names[2], m_NAME);
    fx.exchange(names[3], m_MACHINE_ID);
    fx.exchange(names[4], m_POWER_FLAG);
    fx.exchange(names[5], m_EMAIL);
    fx.exchange(names[6], m_MOBILE);
    fx.exchange(names[7], m_UNIT_ID);
    fx.exchange(names[8], m_DUTY);
    fx.exchange(names[9], m_USER_STATUS);
    fx.exchange(names[10], m_OL_TIME);
    fx.exchange(names[11], m_SCORE);
    fx.exchange(names[12], m_DUTY_CLASS);
    fx.exchange(names[13], m_GROUP_ID);
    const std::string& weight = columnMap().weightColumn();
    if (m_hasWeight && !weight.empty()) {
        fx.exchange(weight, m_WEIGHT, true);
    }
}

} // namespace qar
