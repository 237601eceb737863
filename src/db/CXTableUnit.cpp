#include "db/CXTableUnit.h"

#include "db/ColumnMap.h"
#include "db/TableMap.h"

namespace qar
{

namespace
{

constexpr ColumnKey kColumns[] = {
    {"_ID", "[UNIT_ID]"},       {"_NAME", "[UNIT_NAME]"},  {"_SU_ID", "[SUPER_ID]"},   {"_T_CLS", "[TREE_CLASS]"},
    {"_U_ST", "[UNIT_STATUS]"}, {"_CAN_LOG", "[CAN_LOG]"}, {"_OL_TIME", "[OL_TIME]"},  {"_U_ALIAS", "[UNIT_ALIAS]"},
    {"_LOG_PWD", "[LOG_PWD]"},  {"_GRP_ID", "[GROUP_ID]"}, {"_U_FLAG", "[UNIT_FLAG]"},
};

ColumnMap& columnMap()
{
    static ColumnMap map("UNIT_TABLE", kColumns, "UNTB_WEIGHT");
    return map;
}

} // namespace

CXTableUnit::CXTableUnit(CXDatabase* database)
    : CXRecordset(database), m_hasWeight(!readWeightColumn("UNTB_WEIGHT").empty())
{}

std::string CXTableUnit::GetDefaultSQL() const
{
    return GetBracketedTableName(TableId::Unit);
}

void CXTableUnit::DoFieldExchange(CFieldExchange& fx)
{
    const std::vector<std::string>& names = columnMap().names();
    fx.exchange(names[0], m_UNIT_ID);
    fx.exchange(names[1], m_UNIT_NAME);
    fx.exchange(names[2], m_SUPER_ID);
    fx.exchange(names[3], m_TREE_CLASS);
    fx.exchange(names[4], m_UNIT_STATUS);
    fx.exchange(names[5], m_CAN_LOG);
    fx.exchange(names[6], m_OL_TIME);
    fx.exchange(names[7], m_UNIT_ALIAS);
    fx.exchange(names[8], m_LOG_PWD);
    fx.exchange(names[9], m_GROUP_ID);
    fx.exchange(names[10], m_UNIT_FLAG);
    const std::string& weight = columnMap().weightColumn();
    if (m_hasWeight && !weight.empty()) {
        fx.exchange(weight, m_WEIGHT, true);
    }
}

} // namespace qar
