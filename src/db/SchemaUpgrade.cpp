#include "db/SchemaUpgrade.h"

#include "db/CXDatabase.h"
#include "db/CXTabelChangeTmp.h"
#include "db/CXTableApp.h"
#include "db/CXTableDuty.h"
#include "db/CXTableEnvParam.h"
#include "db/CXTableGroup.h"
#include "db/CXTableMsg.h"
#include "db/CXTableUnit.h"
#include "db/CXTableUser.h"
#include "db/OdbcError.h"
#include "db/OdbcStatement.h"
#include "platform/Locale.h"

#include <algorithm>

namespace qar
{

namespace
{

std::string bare(std::string name)
{
    name.erase(std::remove_if(name.begin(), name.end(), [](char c) { return c == '[' || c == ']'; }), name.end());
    return name;
}

// A record class's configured table and column names, without opening anything.
template <class Table> class Names : public Table
{
public:
    Names() : Table(nullptr) { this->DoFieldExchange(m_fx); }
    std::string table() const { return bare(this->GetDefaultSQL()); }
    std::string column(const FieldState& field) const
    {
        for (const CFieldExchange::Column& c : m_fx.columns()) {
            if (c.field == &field) {
                return bare(c.name);
            }
        }
        return {};
    }

private:
    CFieldExchange m_fx;
};

struct Wanted
{
    std::string table;
    std::vector<std::string> indexedColumns;
};

std::vector<Wanted> wantedKeys()
{
    const Names<CXTableUnit> unit;
    const Names<CXTableUser> user;
    const Names<CXTableGroup> group;
    const Names<CXTabelChangeTmp> change;
    return {
        {Names<CXTableApp>().table(), {}},
        {Names<CXTableDuty>().table(), {}},
        {Names<CXTableEnvParam>().table(), {}},
        {group.table(), {group.column(group.m_GROUP_ID)}},
        {Names<CXTableMsg>().table(), {}},
        {unit.table(), {unit.column(unit.m_UNIT_ID), unit.column(unit.m_SUPER_ID), unit.column(unit.m_GROUP_ID)}},
        {user.table(), {user.column(user.m_USER_ID), user.column(user.m_UNIT_ID), user.column(user.m_GROUP_ID)}},
        {change.table(), {change.column(change.m_REC_ID)}},
    };
}

bool tableExists(CXDatabase& db, const std::string& table)
{
    try {
        OdbcStatement stmt(db);
        stmt.execute(db.quoteBrackets("SELECT 1 FROM [" + table + "] WHERE 1 = 0"));
        return true;
    } catch (const OdbcError&) {
        return false;
    }
}

struct TableIndexes
{
    bool primaryKey = false;
    std::vector<std::string> leadingColumns; ///< the first column of each index, in lower case
};

// The driver's catalogue view of a table's indexes, the same call on both engines.
TableIndexes indexesOf(CXDatabase& db, const std::string& table)
{
    OdbcStatement stmt(db);
    std::string name = table;
    check(SQLStatistics(stmt.handle(), nullptr, 0, nullptr, 0, reinterpret_cast<SQLCHAR*>(name.data()),
                        static_cast<SQLSMALLINT>(name.size()), SQL_INDEX_ALL, SQL_QUICK),
          SQL_HANDLE_STMT, stmt.handle(), "SQLStatistics");
    TableIndexes result;
    while (stmt.fetch()) {
        constexpr SQLUSMALLINT kIndexName = 6;
        constexpr SQLUSMALLINT kOrdinal = 8;
        constexpr SQLUSMALLINT kColumnName = 9;
        const std::string index = stmt.getText(kIndexName);
        if (index.empty()) {
            continue; // the table's own statistics row
        }
        result.primaryKey = result.primaryKey || LowerAsciiLetters(index) == "primary";
        if (stmt.getInt(kOrdinal).value_or(0) == 1) {
            result.leadingColumns.push_back(LowerAsciiLetters(stmt.getText(kColumnName)));
        }
    }
    return result;
}

} // namespace

std::vector<SchemaStep> PlanSchemaUpgrade(CXDatabase& db)
{
    std::vector<SchemaStep> steps;
    for (const Wanted& wanted : wantedKeys()) {
        if (!tableExists(db, wanted.table)) {
            continue;
        }
        const TableIndexes have = indexesOf(db, wanted.table);
        if (db.engine() == DbEngine::MariaDb && !have.primaryKey) {
            steps.push_back(
                {SchemaStep::Kind::Key,
                 wanted.table,
                 {},
                 {},
                 db.quoteBrackets("ALTER TABLE [" + wanted.table + "] ADD COLUMN [" + kRowIdColumn +
                                  "] BIGINT UNSIGNED NOT NULL AUTO_INCREMENT PRIMARY KEY INVISIBLE FIRST")});
        }
        for (const std::string& column : wanted.indexedColumns) {
            const auto& leading = have.leadingColumns;
            if (std::find(leading.begin(), leading.end(), LowerAsciiLetters(column)) != leading.end()) {
                continue;
            }
            const std::string index = wanted.table + "_" + column;
            steps.push_back(
                {SchemaStep::Kind::Index, wanted.table, column, index,
                 db.quoteBrackets("CREATE INDEX [" + index + "] ON [" + wanted.table + "] ([" + column + "])")});
        }
    }
    return steps;
}

void ApplySchemaUpgrade(CXDatabase& db, const std::vector<SchemaStep>& steps,
                        const std::function<void(const SchemaStep&)>& done)
{
    for (const SchemaStep& step : steps) {
        db.ExecuteSQL(step.sql);
        if (done) {
            done(step);
        }
    }
}

} // namespace qar
