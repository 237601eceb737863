#pragma once

namespace qar
{

class CXDatabase;

/// One transaction on a connection for the length of a scope: an operation that writes several rows
/// keeps all of them or none. Rolled back on destruction unless commit() ran.
class DbTransaction
{
public:
    /// Switches the connection to manual commit; throws DbError when that fails or when a transaction is
    /// already open.
    explicit DbTransaction(CXDatabase& database);
    ~DbTransaction();
    DbTransaction(const DbTransaction&) = delete;
    DbTransaction& operator=(const DbTransaction&) = delete;

    /// Commits everything written since construction; throws DbError when the commit fails (nothing of
    /// the transaction stays then).
    void commit();

private:
    CXDatabase& m_database;
    bool m_open = true;
};

} // namespace qar
