#include "db/CXRecordset.h"

#include "db/CXDatabase.h"
#include "db/ConnectString.h"
#include "db/OdbcError.h"
#include "db/OdbcStatement.h"
#include "db/RowStore.h"
#include "platform/DiagnosticLog.h"

#include <algorithm>

namespace qar
{

class CXRecordset::Store : public RowStore
{
public:
    using RowStore::RowStore;
};

void CFieldExchange::exchange(const std::string& column, Field<std::int32_t>& field, bool optional)
{
    m_columns.push_back({column, FieldType::Int32, &field, optional});
}

void CFieldExchange::exchange(const std::string& column, Field<std::uint8_t>& field)
{
    m_columns.push_back({column, FieldType::Byte, &field, false});
}

void CFieldExchange::exchange(const std::string& column, Field<bool>& field)
{
    m_columns.push_back({column, FieldType::Bool, &field, false});
}

void CFieldExchange::exchange(const std::string& column, Field<std::string>& field)
{
    m_columns.push_back({column, FieldType::Text, &field, false});
}

namespace
{

// The value of a numeric field as it goes to the table.
std::int32_t numberOf(const CFieldExchange::Column& col)
{
    switch (col.type) {
    case FieldType::Byte:
        return static_cast<Field<std::uint8_t>*>(col.field)->get();
    case FieldType::Bool:
        return static_cast<Field<bool>*>(col.field)->get() ? 1 : 0;
    default:
        return static_cast<Field<std::int32_t>*>(col.field)->get();
    }
}

const std::string& textOf(const CFieldExchange::Column& col)
{
    return static_cast<Field<std::string>*>(col.field)->get();
}

// Whether a stored number and the field's value are the same value of the column's type: a bit column
// read as -1 (true in some drivers) equals a field holding true.
bool sameNumber(FieldType type, std::int32_t stored, std::int32_t field)
{
    switch (type) {
    case FieldType::Byte:
        return static_cast<std::uint8_t>(stored) == static_cast<std::uint8_t>(field);
    case FieldType::Bool:
        return (stored != 0) == (field != 0);
    default:
        return stored == field;
    }
}

} // namespace

CXRecordset::CXRecordset(CXDatabase* database) : m_database(database) {}

CXRecordset::~CXRecordset() = default;

void CXRecordset::setDatabase(CXDatabase* database)
{
    if (m_open) {
        throw DbError("a record object is rebound only while closed");
    }
    m_database = database;
}

std::string CXRecordset::GetDefaultConnect() const
{
    return defaultConnectString();
}

int CXRecordset::GetFieldCount()
{
    CFieldExchange fx;
    DoFieldExchange(fx);
    return static_cast<int>(fx.columns().size());
}

void CXRecordset::Open()
{
    Close();
    if (m_database == nullptr || !m_database->IsOpen()) {
        throw OdbcError("open " + GetDefaultSQL(), {{"08003", 0, "the connection is not open"}});
    }
    CFieldExchange fx;
    DoFieldExchange(fx);
    try {
        openWith(fx.columns());
    } catch (const OdbcError&) {
        // A failure that may lie in the weight column alone is ignored: the record goes on without it.
        std::vector<CFieldExchange::Column> required;
        for (const auto& col : fx.columns()) {
            if (!col.optional) {
                required.push_back(col);
            }
        }
        if (required.size() == fx.columns().size()) {
            throw;
        }
        openWith(required);
    }
}

std::vector<CFieldExchange::Column> CXRecordset::ExchangedColumns()
{
    CFieldExchange fx;
    DoFieldExchange(fx);
    return fx.columns();
}

void CXRecordset::BeginFill()
{
    Close();
    ++m_generation;
    m_columns = ExchangedColumns();
    if (m_store) {
        m_store->reset(m_columns);
    } else {
        m_store = std::make_unique<Store>(m_columns);
    }
    m_open = true;
}

void CXRecordset::AppendRows(const std::vector<CFieldExchange::Column>& columns, const RowStore& rows,
                             std::size_t expectedRows)
{
    if (!m_open) {
        throw DbError(GetDefaultSQL() + ": the record object is not open");
    }
    if (columns.size() != m_columns.size()) {
        // The table lacks the weight column: the record goes on without it, as Open does.
        if (m_store->rowCount() != 0 || columns.size() > m_columns.size()) {
            throw DbError(GetDefaultSQL() + ": the rows read do not match the record's columns");
        }
        m_columns = columns;
        m_store->reset(m_columns);
    }
    if (m_store->rowCount() == 0 && rows.rowCount() > 0 && expectedRows > rows.rowCount()) {
        // Grown by doubling, a million rows would leave a third of their room unused.
        m_store->reserve(expectedRows);
        m_store->reserveText(rows.textBytes() / rows.rowCount() * expectedRows * 11 / 10);
    }
    m_store->appendRows(rows, m_columns.size());
}

void CXRecordset::EndFill()
{
    if (m_open) {
        m_mode = Mode::None;
        m_pos = -1;
        MoveFirst();
    }
}

void CXRecordset::openWith(const std::vector<CFieldExchange::Column>& columns)
{
    std::string sql = "SELECT ";
    for (std::size_t c = 0; c < columns.size(); ++c) {
        sql += (c == 0 ? "" : ", ") + columns[c].name;
    }
    sql += " FROM " + GetDefaultSQL();
    // The rows of the last read make room for these (see Close).
    std::unique_ptr<Store> store = std::move(m_store);
    if (store) {
        store->reset(columns);
    } else {
        store = std::make_unique<Store>(columns);
    }
    try {
        fetchSnapshot(*m_database, m_database->quoteBrackets(sql), columns, *store);
    } catch (...) {
        store->clear();
        m_store = std::move(store);
        throw;
    }
    m_columns = columns;
    m_store = std::move(store);
    m_open = true;
    m_mode = Mode::None;
    m_pos = -1;
    MoveFirst();
}

void CXRecordset::Close() noexcept
{
    ++m_generation;
    m_reopenDue = false;
    // The rows go, the room they took stays for the next Open: the pages read a table by closing and
    // opening it, and a snapshot of 100,000 users handed back and taken again each time costs its pages
    // anew, and makes the C library hand the driver's result memory back to the system as well.
    if (m_store) {
        m_store->clear();
    }
    m_columns.clear();
    m_open = false;
    m_pos = -1;
    m_mode = Mode::None;
}

void CXRecordset::ReopenBeforeNextRead()
{
    m_reopenDue = m_open;
}

void CXRecordset::settle() const
{
    if (!m_reopenDue) {
        return;
    }
    // The snapshot is a copy of the table taken when it is read: reading it now rather than earlier changes
    // which copy the object holds, not what the object is, so the readers stay const.
    auto& self = const_cast<CXRecordset&>(*this);
    try {
        self.Open();
    } catch (const DbError& e) {
        // Closed, as after any failed open: the pages answer a closed object with their own message.
        LogDiagnostic("Reading " + GetDefaultSQL() + " again failed: " + std::string(e.what()));
    }
}

bool CXRecordset::IsBOF() const
{
    settle();
    return !m_open || m_store->rowCount() == m_store->deletedCount() || m_pos < 0;
}

bool CXRecordset::IsEOF() const
{
    settle();
    return !m_open || m_store->rowCount() == m_store->deletedCount() || m_pos >= static_cast<long>(m_store->rowCount());
}

bool CXRecordset::IsDeleted() const
{
    settle();
    return m_open && m_pos >= 0 && m_pos < static_cast<long>(m_store->rowCount()) &&
           m_store->isDeleted(static_cast<std::size_t>(m_pos));
}

long CXRecordset::nextLive(long from, int step) const
{
    const long count = static_cast<long>(m_store->rowCount());
    long pos = from;
    while (pos >= 0 && pos < count && m_store->isDeleted(static_cast<std::size_t>(pos))) {
        pos += step;
    }
    return pos;
}

void CXRecordset::MoveFirst()
{
    settle();
    if (!m_open) {
        return;
    }
    m_pos = nextLive(0, 1);
    loadRow(m_pos);
}

void CXRecordset::MoveNext()
{
    settle();
    if (!m_open || m_pos >= static_cast<long>(m_store->rowCount())) {
        return;
    }
    m_pos = nextLive(m_pos + 1, 1);
    loadRow(m_pos);
}

void CXRecordset::MovePrev()
{
    settle();
    if (!m_open || m_pos < 0) {
        return;
    }
    m_pos = nextLive(m_pos - 1, -1);
    if (m_pos < 0) {
        m_pos = -1;
    }
    loadRow(m_pos);
}

void CXRecordset::MoveLast()
{
    settle();
    if (!m_open) {
        return;
    }
    m_pos = nextLive(static_cast<long>(m_store->rowCount()) - 1, -1);
    loadRow(m_pos);
}

long CXRecordset::GetRecordCount() const
{
    settle();
    return m_open ? static_cast<long>(m_store->rowCount() - m_store->deletedCount()) : 0;
}

void CXRecordset::loadRow(long row)
{
    m_mode = Mode::None;
    if (row < 0 || row >= static_cast<long>(m_store->rowCount())) {
        return; // past either end the fields keep the last row, as the pages expect nothing there
    }
    const auto r = static_cast<std::size_t>(row);
    for (std::size_t c = 0; c < m_columns.size(); ++c) {
        const CFieldExchange::Column& col = m_columns[c];
        FieldState& state = *col.field;
        state.m_null = m_store->isNull(r, c);
        state.m_assigned = false;
        switch (col.type) {
        case FieldType::Text:
            static_cast<Field<std::string>&>(state).m_value.assign(m_store->text(r, c));
            break;
        case FieldType::Byte:
            static_cast<Field<std::uint8_t>&>(state).m_value = static_cast<std::uint8_t>(m_store->number(r, c));
            break;
        case FieldType::Bool:
            static_cast<Field<bool>&>(state).m_value = m_store->number(r, c) != 0;
            break;
        case FieldType::Int32:
            static_cast<Field<std::int32_t>&>(state).m_value = m_store->number(r, c);
            break;
        }
    }
}

void CXRecordset::clearFields(bool toNull)
{
    for (const CFieldExchange::Column& col : m_columns) {
        FieldState& state = *col.field;
        state.m_null = toNull;
        state.m_assigned = false;
        switch (col.type) {
        case FieldType::Text:
            static_cast<Field<std::string>&>(state).m_value.clear();
            break;
        case FieldType::Byte:
            static_cast<Field<std::uint8_t>&>(state).m_value = 0;
            break;
        case FieldType::Bool:
            static_cast<Field<bool>&>(state).m_value = false;
            break;
        case FieldType::Int32:
            static_cast<Field<std::int32_t>&>(state).m_value = 0;
            break;
        }
    }
}

void CXRecordset::SetFieldNull(FieldState& field, bool isNull)
{
    field.m_null = isNull;
    field.m_assigned = true;
}

void CXRecordset::requireCurrentRow(const char* operation) const
{
    if (!m_open || IsBOF() || IsEOF() || IsDeleted()) {
        throw DbError(std::string(operation) + " " + GetDefaultSQL() + ": no current row");
    }
}

void CXRecordset::AddNew()
{
    if (!m_open) {
        throw DbError("add new " + GetDefaultSQL() + ": the record object is not open");
    }
    clearFields(true);
    m_mode = Mode::AddNew;
}

void CXRecordset::Edit()
{
    requireCurrentRow("edit");
    loadRow(m_pos);
    m_mode = Mode::Edit;
}

void CXRecordset::CancelUpdate()
{
    settle();
    if (m_open) {
        loadRow(m_pos);
    }
    m_mode = Mode::None;
}

bool CXRecordset::Update()
{
    const Mode mode = m_mode;
    m_mode = Mode::None;
    if (mode == Mode::AddNew) {
        return insertRow();
    }
    if (mode == Mode::Edit) {
        return updateRow();
    }
    throw DbError("update " + GetDefaultSQL() + ": neither add new nor edit was called");
}

void CXRecordset::bindField(OdbcStatement& stmt, SQLUSMALLINT& number, std::size_t column) const
{
    const CFieldExchange::Column& col = m_columns[column];
    if (col.type == FieldType::Text) {
        stmt.bindText(number++, textOf(col), col.field->isNull());
    } else {
        stmt.bindInt(number++, numberOf(col), col.field->isNull());
    }
}

void CXRecordset::bindStored(OdbcStatement& stmt, SQLUSMALLINT& number, std::size_t column) const
{
    const auto r = static_cast<std::size_t>(m_pos);
    const bool isNull = m_store->isNull(r, column);
    // Each column's value appears twice: once for "c = ?" and once for "? IS NULL".
    for (int i = 0; i < 2; ++i) {
        if (m_columns[column].type == FieldType::Text) {
            stmt.bindText(number++, std::string(m_store->text(r, column)), isNull);
        } else {
            stmt.bindInt(number++, m_store->number(r, column), isNull);
        }
    }
}

namespace
{
// One column matching a value bound twice (see bindStored); works alike on both engines, NULL included.
void appendColumnMatch(std::string& where, const std::string& name)
{
    where.append("(").append(name).append(" = ? OR (").append(name).append(" IS NULL AND ? IS NULL))");
}
} // namespace

std::string CXRecordset::whereClause() const
{
    std::string where = " WHERE ";
    for (std::size_t c = 0; c < m_columns.size(); ++c) {
        if (c != 0) {
            where.append(" AND ");
        }
        appendColumnMatch(where, m_columns[c].name);
    }
    return where;
}

// Whether a row with the current row's key (the first column of every record class), as it was read,
// is still in the table.
bool CXRecordset::keyStillPresent()
{
    std::string sql = "SELECT " + m_columns[0].name + " FROM " + GetDefaultSQL() + " WHERE ";
    appendColumnMatch(sql, m_columns[0].name);
    OdbcStatement stmt(*m_database);
    SQLUSMALLINT number = 1;
    bindStored(stmt, number, 0);
    stmt.execute(m_database->quoteBrackets(sql));
    return stmt.fetch();
}

bool CXRecordset::isChanged(std::size_t column) const
{
    const CFieldExchange::Column& col = m_columns[column];
    const auto r = static_cast<std::size_t>(m_pos);
    const bool storedNull = m_store->isNull(r, column);
    if (storedNull || col.field->isNull()) {
        return storedNull != col.field->isNull();
    }
    if (col.type == FieldType::Text) {
        return m_store->text(r, column) != textOf(col);
    }
    return !sameNumber(col.type, m_store->number(r, column), numberOf(col));
}

bool CXRecordset::insertRow()
{
    std::string names;
    std::string markers;
    std::vector<std::size_t> assigned;
    for (std::size_t c = 0; c < m_columns.size(); ++c) {
        if (m_columns[c].field->isAssigned()) {
            names += (assigned.empty() ? "" : ", ") + m_columns[c].name;
            markers += assigned.empty() ? "?" : ", ?";
            assigned.push_back(c);
        }
    }
    bool written = false;
    if (!assigned.empty()) {
        const std::string sql =
            m_database->quoteBrackets("INSERT INTO " + GetDefaultSQL() + " (" + names + ") VALUES (" + markers + ")");
        OdbcStatement stmt(*m_database);
        SQLUSMALLINT number = 1;
        for (std::size_t c : assigned) {
            bindField(stmt, number, c);
        }
        stmt.execute(sql);
        written = true;
    }
    // The snapshot does not show rows added through it until it is reopened; the row current before
    // AddNew comes back.
    loadRow(m_pos);
    return written;
}

bool CXRecordset::updateRow()
{
    if (IsBOF() || IsEOF() || IsDeleted()) {
        throw DbError("update " + GetDefaultSQL() + ": the edited row is gone");
    }
    std::vector<std::size_t> changed;
    for (std::size_t c = 0; c < m_columns.size(); ++c) {
        if (isChanged(c)) {
            changed.push_back(c);
        }
    }
    if (changed.empty()) {
        loadRow(m_pos);
        return false;
    }
    std::string sets;
    for (std::size_t c : changed) {
        sets += (sets.empty() ? "" : ", ") + m_columns[c].name + " = ?";
    }
    const std::string sql = m_database->quoteBrackets("UPDATE " + GetDefaultSQL() + " SET " + sets + whereClause());
    OdbcStatement stmt(*m_database);
    SQLUSMALLINT number = 1;
    for (std::size_t c : changed) {
        bindField(stmt, number, c);
    }
    for (std::size_t c = 0; c < m_columns.size(); ++c) {
        bindStored(stmt, number, c);
    }
    runMatchingOne(stmt, sql);

    // The snapshot now holds the row as written, so a second edit matches it.
    const auto r = static_cast<std::size_t>(m_pos);
    for (std::size_t c : changed) {
        const CFieldExchange::Column& col = m_columns[c];
        if (col.type == FieldType::Text) {
            m_store->setText(r, c, textOf(col), col.field->isNull());
        } else {
            m_store->setNumber(r, c, numberOf(col), col.field->isNull());
        }
    }
    loadRow(m_pos);
    return true;
}

void CXRecordset::Delete()
{
    requireCurrentRow("delete");
    m_mode = Mode::None;
    const std::string sql = m_database->quoteBrackets("DELETE FROM " + GetDefaultSQL() + whereClause());
    OdbcStatement stmt(*m_database);
    SQLUSMALLINT number = 1;
    for (std::size_t c = 0; c < m_columns.size(); ++c) {
        bindStored(stmt, number, c);
    }
    runMatchingOne(stmt, sql);
    m_store->markDeleted(static_cast<std::size_t>(m_pos));
    m_store->countDeleted();
}

// Runs a searched UPDATE or DELETE and keeps it only when exactly one row matched: in a transaction of
// its own, or inside the operation's transaction when one is open (a statement that matched several
// rows then dooms that transaction; one that matched none changed nothing). SQLite reports no match as
// SQL_NO_DATA, MariaDB as a count of 0. MariaDB counts changed rows unless the data source asks for found
// rows; with exact (binary) comparisons every matched row is also changed, since the new values differ
// from the values the WHERE clause matched.
void CXRecordset::runMatchingOne(OdbcStatement& stmt, const std::string& sql)
{
    const bool own = !m_database->inTransaction();
    if (own) {
        m_database->beginTransaction();
    }
    long long matched = 0;
    try {
        stmt.execute(sql);
        matched = stmt.rowCount();
    } catch (...) {
        if (own) {
            m_database->rollback();
        }
        throw;
    }
    if (matched != 1) {
        if (own) {
            m_database->rollback();
        } else if (matched > 1) {
            m_database->markRollbackOnly();
        }
        // No match means another program deleted or changed the row since it was read: the key tells
        // which. Only a deleted row may end an operation quietly; a changed one is a failed write.
        throw RowMatchError(sql, matched, matched == 0 && !keyStillPresent());
    }
    if (own) {
        m_database->commit();
    }
}

std::size_t CXRecordset::columnOf(const FieldState& field) const
{
    if (!m_open) {
        throw DbError(GetDefaultSQL() + ": the record object is not open");
    }
    for (std::size_t c = 0; c < m_columns.size(); ++c) {
        if (m_columns[c].field == &field) {
            return c;
        }
    }
    throw DbError(GetDefaultSQL() + ": the field is not a column of the record");
}

// The snapshot's live rows whose `whereColumn` holds one of `whereValues` get `value` in `column`, as
// the table now has them.
void CXRecordset::setInSnapshot(std::size_t column, std::int32_t value, std::size_t whereColumn,
                                const std::vector<std::int32_t>& whereValues)
{
    std::vector<std::int32_t> sorted = whereValues;
    std::sort(sorted.begin(), sorted.end());
    for (std::size_t r = 0; r < m_store->rowCount(); ++r) {
        if (!m_store->isDeleted(r) && !m_store->isNull(r, whereColumn) &&
            std::binary_search(sorted.begin(), sorted.end(), m_store->number(r, whereColumn))) {
            m_store->setNumber(r, column, value, false);
        }
    }
    loadRow(m_pos);
}

std::vector<std::int32_t> CXRecordset::SelectKeysWhere(const Field<std::int32_t>& field, std::int32_t value)
{
    settle();
    const std::size_t c = columnOf(field);
    std::string sql =
        "SELECT " + m_columns[0].name + " FROM " + GetDefaultSQL() + " WHERE " + m_columns[c].name + " = ?";
    // A plain read in a MariaDB transaction sees the rows as they were when it began; a locking read sees
    // the rows an UPDATE would change and keeps other writers off them until the commit.
    if (m_database->inTransaction() && m_database->engine() == DbEngine::MariaDb) {
        sql += " FOR UPDATE";
    }
    OdbcStatement stmt(*m_database);
    stmt.bindInt(1, value);
    stmt.execute(m_database->quoteBrackets(sql));
    std::vector<std::int32_t> keys;
    while (stmt.fetch()) {
        if (const auto key = stmt.getInt(1)) {
            keys.push_back(*key);
        }
    }
    return keys;
}

long long CXRecordset::CountWhere(const FieldState& field, std::int32_t value)
{
    settle();
    const std::size_t c = columnOf(field);
    OdbcStatement stmt(*m_database);
    stmt.bindInt(1, value);
    stmt.execute(
        m_database->quoteBrackets("SELECT COUNT(*) FROM " + GetDefaultSQL() + " WHERE " + m_columns[c].name + " = ?"));
    return stmt.fetch() ? stmt.getInt(1).value_or(0) : 0;
}

long long CXRecordset::UpdateWhere(Field<std::int32_t>& set, std::int32_t newValue, const Field<std::int32_t>& where,
                                   std::int32_t whereValue)
{
    settle();
    const std::size_t setColumn = columnOf(set);
    const std::size_t whereColumn = columnOf(where);
    const std::string sql = "UPDATE " + GetDefaultSQL() + " SET " + m_columns[setColumn].name + " = ? WHERE " +
                            m_columns[whereColumn].name + " = ?";
    OdbcStatement stmt(*m_database);
    stmt.bindInt(1, newValue);
    stmt.bindInt(2, whereValue);
    stmt.execute(m_database->quoteBrackets(sql));
    const long long changed = stmt.rowCount();
    setInSnapshot(setColumn, newValue, whereColumn, {whereValue});
    return changed;
}

long long CXRecordset::UpdateWhereKeyIn(Field<std::int32_t>& set, std::int32_t newValue,
                                        const std::vector<std::int32_t>& keys)
{
    settle();
    // Enough keys per statement to cost few round trips, few enough for every engine's limit on markers.
    constexpr std::size_t kKeysPerStatement = 500;
    const std::size_t setColumn = columnOf(set);
    long long changed = 0;
    for (std::size_t first = 0; first < keys.size(); first += kKeysPerStatement) {
        const std::size_t count = std::min(kKeysPerStatement, keys.size() - first);
        std::string sql = "UPDATE " + GetDefaultSQL() + " SET " + m_columns[setColumn].name + " = ? WHERE " +
                          m_columns[0].name + " IN (";
        OdbcStatement stmt(*m_database);
        SQLUSMALLINT number = 1;
        stmt.bindInt(number++, newValue);
        for (std::size_t i = 0; i < count; ++i) {
            sql += i == 0 ? "?" : ", ?";
            stmt.bindInt(number++, keys[first + i]);
        }
        sql += ")";
        stmt.execute(m_database->quoteBrackets(sql));
        changed += stmt.rowCount();
    }
    setInSnapshot(setColumn, newValue, 0, keys);
    return changed;
}

long CXRecordset::GetBookmark() const
{
    settle();
    return m_pos;
}

void CXRecordset::SetBookmark(long bookmark)
{
    settle();
    if (!m_open) {
        return;
    }
    m_pos = std::clamp(bookmark, -1L, static_cast<long>(m_store->rowCount()));
    loadRow(m_pos);
}

RowWrite UpdateRow(CXRecordset& rs)
{
    try {
        return rs.Update() ? RowWrite::Written : RowWrite::NothingChanged;
    } catch (const RowMatchError& e) {
        if (!e.rowDeleted()) {
            throw;
        }
        return RowWrite::AlreadyGone;
    }
}

RowWrite DeleteRow(CXRecordset& rs)
{
    try {
        rs.Delete();
        return RowWrite::Written;
    } catch (const RowMatchError& e) {
        if (!e.rowDeleted()) {
            throw;
        }
        return RowWrite::AlreadyGone;
    }
}

} // namespace qar
