#include "db/CXTableApp.h"

#include "db/TableMap.h"

namespace qar
{

CXTableApp::CXTableApp(CXDatabase* database) : CXRecordset(database) {}

std::string CXTableApp::GetDefaultSQL() const
{
    return GetBracketedTableName(TableId::App);
}

void CXTableApp::DoFieldExchange(CFieldExchange& fx)
{
    fx.exchange("[APP_ID]", m_APP_ID);
    fx.exchange("[APP_NAME]", m_APP_NAME);
    fx.exchange("[APP_URL]", m_APP_URL);
    fx.exchange("[GROUP_ID]", m_GROUP_ID);
    fx.exchange("[APP_TYPE]", m_APP_TYPE);
    fx.exchange("[BS_LOG]", m_BS_LOG);
    fx.exchange("[CS_WINTITLE]", m_CS_WINTITLE);
    fx.exchange("[CS_DATA1]", m_CS_DATA1);
    fx.exchange("[CS_DATA2]", m_CS_DATA2);
    fx.exchange("[CS_DATA3]", m_CS_DATA3);
}

} // namespace qar
