#include "db/CXTableMsg.h"

#include "db/TableMap.h"

namespace qar
{

CXTableMsg::CXTableMsg(CXDatabase* database) : CXRecordset(database) {}

std::string CXTableMsg::GetDefaultSQL() const
{
    return GetBracketedTableName(TableId::Msg);
}

void CXTableMsg::DoFieldExchange(CFieldExchange& fx)
{
    fx.exchange("[MSG_TYPE]", m_MSG_TYPE);
    fx.exchange("[MSG_NAME]", m_MSG_NAME);
    fx.exchange("[MSG_FMASK]", m_MSG_FMASK);
}

} // namespace qar
