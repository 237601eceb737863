#include "db/CXTableGroup.h"

#include "db/TableMap.h"

namespace qar
{

CXTableGroup::CXTableGroup(CXDatabase* database) : CXRecordset(database) {}

std::string CXTableGroup::GetDefaultSQL() const
{
    return GetBracketedTableName(TableId::Group);
}

void CXTableGroup::DoFieldExchange(CFieldExchange& fx)
{
    fx.exchange("[GROUP_ID]", m_GROUP_ID);
    fx.exchange("[GROUP_NAME]", m_GROUP_NAME);
    fx.exchange("[GROUP_URL]", m_GROUP_URL);
    fx.exchange("[GROUP_FTP_IP]", m_GROUP_FTP_IP);
    fx.exchange("[GROUP_CWA_IP]", m_GROUP_CWA_IP);
    fx.exchange("[GROUP_COUNT]", m_GROUP_COUNT);
    fx.exchange("[GROUP_POWER]", m_GROUP_POWER);
}

} // namespace qar
