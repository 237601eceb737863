#include "db/CDatabaseSession.h"

#include "db/ConnectString.h"
#include "db/OdbcError.h"
#include "db/RowStore.h"

#include <algorithm>
#include <array>

namespace qar
{

CDatabaseSession::CDatabaseSession() : CDatabaseSession(defaultConnectString()) {}

CDatabaseSession::CDatabaseSession(std::string connect)
    : m_connect(std::move(connect)), m_tableApp(&m_database), m_tableDuty(&m_database), m_tableEnvParam(&m_database),
      m_tableGroup(&m_database), m_tableMsg(&m_database), m_tableUnit(&m_database), m_tableUser(&m_database),
      m_tableChangeTmp(&m_database)
{}

CDatabaseSession::~CDatabaseSession()
{
    CloseAll();
}

namespace
{

// Whether the table of `table` can be read, without reading a row or changing the object: throws what its
// Open would (a missing table or column).
void checkReadable(CXRecordset& table)
{
    if (table.database() == nullptr || !table.database()->IsOpen()) {
        throw OdbcError("open " + table.GetDefaultSQL(), {{"08003", 0, "the connection is not open"}});
    }
    std::vector<CFieldExchange::Column> columns = table.ExchangedColumns();
    for (bool withOptional : {true, false}) {
        if (!withOptional) {
            std::erase_if(columns, [](const CFieldExchange::Column& c) { return c.optional; });
        }
        std::string sql = "SELECT ";
        for (std::size_t c = 0; c < columns.size(); ++c) {
            sql += (c == 0 ? "" : ", ") + columns[c].name;
        }
        RowStore none(columns);
        try {
            fetchSnapshot(*table.database(),
                          table.database()->quoteBrackets(sql + " FROM " + table.GetDefaultSQL() + " WHERE 1 = 0"),
                          columns, none);
            return;
        } catch (const OdbcError&) {
            // A failure that may lie in the weight column alone is ignored, as Open ignores it.
            if (!withOptional || std::none_of(columns.begin(), columns.end(),
                                              [](const CFieldExchange::Column& c) { return c.optional; })) {
                throw;
            }
        }
    }
}

} // namespace

bool CDatabaseSession::OpenDatabase()
{
    bool ok = true;
    try {
        if (m_database.IsOpen()) {
            m_database.Close();
        }
        m_database.Open(m_connect);
        for (CXRecordset* table : {static_cast<CXRecordset*>(&m_tableUnit), static_cast<CXRecordset*>(&m_tableUser),
                                   static_cast<CXRecordset*>(&m_tableApp), static_cast<CXRecordset*>(&m_tableDuty),
                                   static_cast<CXRecordset*>(&m_tableMsg), static_cast<CXRecordset*>(&m_tableGroup),
                                   static_cast<CXRecordset*>(&m_tableEnvParam)}) {
            if (table != &m_tableUser || !m_usersInChunks) {
                table->Open();
            } else {
                checkReadable(*table);
            }
        }
        m_lastError.clear();
    } catch (const std::exception& e) {
        setLastError(e);
        ok = false;
    }
    if (!m_triedOpen) {
        m_triedOpen = true;
        m_opened = ok;
    }
    return ok;
}

std::array<CXRecordset*, 8> CDatabaseSession::allTables()
{
    return {&m_tableUnit, &m_tableUser,  &m_tableApp,      &m_tableDuty,
            &m_tableMsg,  &m_tableGroup, &m_tableEnvParam, &m_tableChangeTmp};
}

void CDatabaseSession::reopenAll()
{
    for (CXRecordset* table : allTables()) {
        if (table != &m_tableUser || !m_usersInChunks) {
            table->Close();
            table->Open();
        } else {
            checkReadable(*table); // a table its page cannot read fails the refresh, as before
        }
    }
}

void CDatabaseSession::setLastError(const std::exception& error)
{
    m_lastError = error.what();
    // No driver here puts the password into its messages; should one ever do, it goes no further.
    const auto password = connectAttribute(m_connect, "PWD");
    if (password && password->size() >= 3) {
        for (std::size_t at = m_lastError.find(*password); at != std::string::npos;
             at = m_lastError.find(*password, at)) {
            m_lastError.replace(at, password->size(), "***");
        }
    }
}

bool CDatabaseSession::RefreshConnection() noexcept
{
    if (m_database.inTransaction()) {
        return true;
    }
    try {
        if (!m_database.IsOpen()) {
            m_database.Open(m_connect);
        }
        reopenAll();
        m_lastError.clear();
        return true;
    } catch (const std::exception&) {
    }
    // The server may have dropped the connection (restart, timeout): start over on a new one. The objects
    // go with the old connection, so none keeps a snapshot it could not write back. A failure here is
    // left for the next tick.
    try {
        for (CXRecordset* table : allTables()) {
            table->Close();
        }
        m_database.Close();
        m_database.Open(m_connect);
        reopenAll();
        m_lastError.clear();
        return true;
    } catch (const std::exception& e) {
        try {
            setLastError(e);
        } catch (...) {
        }
    }
    return false;
}

void CDatabaseSession::CloseAll() noexcept
{
    for (CXRecordset* table :
         {static_cast<CXRecordset*>(&m_tableUser), static_cast<CXRecordset*>(&m_tableApp),
          static_cast<CXRecordset*>(&m_tableUnit), static_cast<CXRecordset*>(&m_tableDuty),
          static_cast<CXRecordset*>(&m_tableMsg), static_cast<CXRecordset*>(&m_tableGroup),
          static_cast<CXRecordset*>(&m_tableChangeTmp), static_cast<CXRecordset*>(&m_tableEnvParam)}) {
        table->Close();
    }
    m_database.Close();
}

} // namespace qar
