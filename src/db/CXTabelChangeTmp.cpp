#include "db/CXTabelChangeTmp.h"

#include "db/ColumnMap.h"
#include "db/TableMap.h"

namespace qar
{

namespace
{

constexpr ColumnKey kColumns[] = {
    {"REC_ID", "[REC_ID]"},       {"Table_Name", "[Table_Name]"}, {"Field_Name", "[Field_Name]"},
    {"Key_Value", "[Key_Value]"}, {"Change_Act", "[Change_Act]"},
};

ColumnMap& columnMap()
{
    static ColumnMap map("CHTMP_TABLE", kColumns, nullptr);
    return map;
}

} // namespace

CXTabelChangeTmp::CXTabelChangeTmp(CXDatabase* database) : CXRecordset(database) {}

std::string CXTabelChangeTmp::GetDefaultSQL() const
{
    return GetBracketedTableName(TableId::ChangeTmp);
}

void CXTabelChangeTmp::DoFieldExchange(CFieldExchange& fx)
{
    const std::vector<std::string>& names = columnMap().names();
    fx.exchange(names[0], m_REC_ID);
    fx.exchange(names[1], m_Table_Name);
    fx.exchange(names[2], m_Field_Name);
    fx.exchange(names[3], m_Key_Value);
    fx.exchange(names[4], m_Change_Act);
}

} // namespace qar
