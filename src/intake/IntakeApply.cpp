#include "intake/IntakeApply.h"

#include "db/BatchInsert.h"
#include "db/CXDatabase.h"
#include "db/CXTabelChangeTmp.h"
#include "db/CXTableUnit.h"
#include "db/CXTableUser.h"
#include "db/ChangeLog.h"
#include "db/OdbcError.h"
#include "db/OdbcStatement.h"
#include "db/TableMap.h"

#include <unordered_map>

namespace qar
{

namespace
{

constexpr std::size_t kBatchRows = 2000;

/// The columns a record class exchanges, in statement order, with the names DB.dat gives them.
template <class Table> class ColumnsOf : public Table
{
public:
    explicit ColumnsOf(CXDatabase* db) : Table(db) { this->DoFieldExchange(m_fx); }
    std::vector<BatchInsert::Column> insertColumns() const
    {
        std::vector<BatchInsert::Column> out;
        for (const CFieldExchange::Column& c : m_fx.columns()) {
            out.push_back({c.name, c.type == FieldType::Text ? BatchInsert::Type::Text : BatchInsert::Type::Int});
        }
        return out;
    }
    const std::vector<CFieldExchange::Column>& columns() const { return m_fx.columns(); }

private:
    CFieldExchange m_fx;
};

/// The values of a row in the exchange order of its record class.
struct RowValues
{
    std::vector<std::int64_t> ints;
    std::vector<const std::string*> texts;
    std::vector<bool> isText;

    void add(std::int64_t v)
    {
        ints.push_back(v);
        texts.push_back(nullptr);
        isText.push_back(false);
    }
    void add(const std::string& v)
    {
        ints.push_back(0);
        texts.push_back(&v);
        isText.push_back(true);
    }
};

RowValues valuesOf(const UnitRecord& u)
{
    RowValues v;
    v.add(u.id);
    v.add(u.name);
    v.add(u.superId);
    v.add(u.level);
    v.add(u.status ? 1 : 0);
    v.add(u.canLog ? 1 : 0);
    v.add(u.olTime);
    v.add(u.alias);
    v.add(u.password);
    v.add(u.group);
    v.add(u.flag);
    if (u.weight) {
        v.add(*u.weight);
    }
    return v;
}

RowValues valuesOf(const UserRecord& u)
{
    RowValues v;
    v.add(u.id);
    v.add(u.password);
    v.add(u.name);
    v.add(u.machineId);
    v.add(u.power);
    v.add(u.email);
    v.add(u.mobile);
    v.add(u.unit);
    v.add(u.duty);
    v.add(u.status);
    v.add(u.olTime);
    v.add(u.score);
    v.add(u.role);
    v.add(u.group);
    if (u.weight) {
        v.add(*u.weight);
    }
    return v;
}

void addValues(BatchInsert& insert, const RowValues& v)
{
    for (std::size_t i = 0; i < v.ints.size(); ++i) {
        if (v.isText[i]) {
            insert.add(*v.texts[i]);
        } else {
            insert.add(static_cast<std::int32_t>(v.ints[i]));
        }
    }
    insert.endRow();
}

/// UPDATE of every column of one row, found by its key (the first column). It must change exactly that
/// row: none means another program deleted it meanwhile, more than one that the key is not unique.
template <class Table>
void updateRow(CXDatabase& db, const ColumnsOf<Table>& columns, const RowValues& v, std::int32_t key)
{
    const auto& cols = columns.columns();
    std::string sets;
    const std::size_t count = std::min(cols.size(), v.ints.size());
    for (std::size_t i = 0; i < count; ++i) {
        sets += (sets.empty() ? "" : ", ") + cols[i].name + " = ?";
    }
    const std::string sql =
        db.quoteBrackets("UPDATE " + columns.GetDefaultSQL() + " SET " + sets + " WHERE " + cols[0].name + " = ?");
    OdbcStatement stmt(db);
    SQLUSMALLINT n = 1;
    for (std::size_t i = 0; i < count; ++i) {
        if (v.isText[i]) {
            stmt.bindText(n++, *v.texts[i]);
        } else {
            stmt.bindInt(n++, static_cast<std::int32_t>(v.ints[i]));
        }
    }
    stmt.bindInt(n, key);
    stmt.execute(sql);
    const long long changed = stmt.rowCount();
    if (changed != 1) {
        throw RowMatchError(sql, changed, changed == 0);
    }
}

class ChangeRows
{
public:
    ChangeRows(CXDatabase& db, bool enabled)
    {
        if (enabled) {
            ColumnsOf<CXTabelChangeTmp> columns(&db);
            m_insert = std::make_unique<BatchInsert>(db, columns.GetDefaultSQL(), columns.insertColumns(), kBatchRows);
        }
    }
    void add(const std::string& table, const char* field, std::int32_t key, ChangeAct act)
    {
        if (!m_insert) {
            return;
        }
        m_insert->add(static_cast<std::int32_t>(TakeChangeRecIds(1)));
        m_insert->add(table);
        m_insert->add(std::string_view(field));
        m_insert->add(key);
        m_insert->add(static_cast<std::int32_t>(act));
        m_insert->endRow();
        ++m_rows;
    }
    void flush()
    {
        if (m_insert) {
            m_insert->flush();
        }
    }
    std::size_t rows() const { return m_rows; }

private:
    std::unique_ptr<BatchInsert> m_insert;
    std::size_t m_rows = 0;
};

struct Cancelled
{};

} // namespace

ApplyResult ApplyPlan(CXDatabase& database, const IntakePlan& plan, const OrgData& stored, bool logChanges,
                      const ApplyProgress& progress)
{
    ApplyResult result;
    if (!plan.canApply()) {
        return result;
    }
    std::unordered_map<std::int32_t, const UnitRecord*> storedUnits;
    for (const UnitRecord& u : stored.units) {
        storedUnits.emplace(u.id, &u);
    }
    std::unordered_map<std::int32_t, const UserRecord*> storedUsers;
    for (const UserRecord& u : stored.users) {
        storedUsers.emplace(u.id, &u);
    }
    const std::size_t total = plan.units.size() + plan.users.size();
    std::size_t done = 0;
    const auto step = [&] {
        ++done;
        if (progress && (done % kBatchRows == 0 || done == total) && !progress(done, total)) {
            throw Cancelled{};
        }
    };
    const std::string unitTable = GetTableName(TableId::Unit);
    const std::string userTable = ChangeTableNameForUsers();
    database.beginTransaction();
    try {
        ChangeRows changes(database, logChanges);
        ColumnsOf<CXTableUnit> unitColumns(&database);
        BatchInsert unitInsert(database, unitColumns.GetDefaultSQL(), unitColumns.insertColumns(), kBatchRows);
        for (const PlannedUnit& u : plan.units) {
            if (!u.update) {
                addValues(unitInsert, valuesOf(u.row));
                changes.add(unitTable, kUnitKeyField, u.row.id, ChangeAct::Added);
                ++result.unitsAdded;
            } else if (const auto it = storedUnits.find(u.row.id); it == storedUnits.end() || !(*it->second == u.row)) {
                unitInsert.flush(); // rows before it go first: a later row may move below one of them
                updateRow(database, unitColumns, valuesOf(u.row), u.row.id);
                changes.add(unitTable, kUnitKeyField, u.row.id, ChangeAct::Modified);
                ++result.unitsUpdated;
            }
            step();
        }
        unitInsert.flush();
        ColumnsOf<CXTableUser> userColumns(&database);
        BatchInsert userInsert(database, userColumns.GetDefaultSQL(), userColumns.insertColumns(), kBatchRows);
        for (const PlannedUser& u : plan.users) {
            if (!u.update) {
                addValues(userInsert, valuesOf(u.row));
                changes.add(userTable, kUserKeyField, u.row.id, ChangeAct::Added);
                ++result.usersAdded;
            } else if (const auto it = storedUsers.find(u.row.id); it == storedUsers.end() || !(*it->second == u.row)) {
                updateRow(database, userColumns, valuesOf(u.row), u.row.id);
                changes.add(userTable, kUserKeyField, u.row.id, ChangeAct::Modified);
                ++result.usersUpdated;
            }
            step();
        }
        userInsert.flush();
        changes.flush();
        result.changeRows = changes.rows();
        database.commit();
    } catch (const Cancelled&) {
        database.rollback();
        return ApplyResult{};
    } catch (...) {
        database.rollback();
        throw;
    }
    result.committed = true;
    return result;
}

} // namespace qar
