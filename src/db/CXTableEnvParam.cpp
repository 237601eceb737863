#include "db/CXTableEnvParam.h"

#include "db/TableMap.h"

namespace qar
{

CXTableEnvParam::CXTableEnvParam(CXDatabase* database) : CXRecordset(database) {}

std::string CXTableEnvParam::GetDefaultSQL() const
{
    return GetBracketedTableName(TableId::EnvParam);
}

void CXTableEnvParam::DoFieldExchange(CFieldExchange& fx)
{
    fx.exchange("[Param_Name]", m_Param_Name);
    fx.exchange("[Param_Value]", m_Param_Value);
}

} // namespace qar
