#include "db/DbTransaction.h"

#include "db/CXDatabase.h"

namespace qar
{

DbTransaction::DbTransaction(CXDatabase& database) : m_database(database)
{
    m_database.beginTransaction();
}

DbTransaction::~DbTransaction()
{
    if (m_open) {
        m_database.rollback();
    }
}

void DbTransaction::commit()
{
    m_open = false;
    m_database.commit();
}

} // namespace qar
