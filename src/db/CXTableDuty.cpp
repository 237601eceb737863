#include "db/CXTableDuty.h"

#include "db/TableMap.h"

namespace qar
{

CXTableDuty::CXTableDuty(CXDatabase* database) : CXRecordset(database) {}

std::string CXTableDuty::GetDefaultSQL() const
{
    return GetBracketedTableName(TableId::Duty);
}

void CXTableDuty::DoFieldExchange(CFieldExchange& fx)
{
    fx.exchange("[DUTY_CLASS]", m_DUTY_CLASS);
    fx.exchange("[DUTY_CLASSNAME]", m_DUTY_CLASSNAME);
    fx.exchange("[SMS_COUNT]", m_SMS_COUNT);
}

} // namespace qar
