#pragma once

#include "db/Field.h"

#include <sql.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qar
{

class CXDatabase;
class OdbcStatement;
class RowStore;

/// How a column is exchanged between a field member and the table.
enum class FieldType : std::uint8_t
{
    Int32, ///< int and long: 32-bit signed
    Byte,  ///< 8-bit unsigned
    Bool,  ///< bit column held as true/false
    Text,  ///< VARCHAR of up to 255 characters, ANSI code page bytes
};

/// The list of columns a record class exchanges, in statement order; filled by DoFieldExchange.
class CFieldExchange
{
public:
    struct Column
    {
        std::string name; ///< as configured; brackets become the driver's identifier quote
        FieldType type;
        FieldState* field;
        bool optional; ///< the weight column: its failures are ignored
    };

    void exchange(const std::string& column, Field<std::int32_t>& field, bool optional = false);
    void exchange(const std::string& column, Field<std::uint8_t>& field);
    void exchange(const std::string& column, Field<bool>& field);
    void exchange(const std::string& column, Field<std::string>& field);

    const std::vector<Column>& columns() const { return m_columns; }

private:
    std::vector<Column> m_columns;
};

/// Base of the record classes: a snapshot of one table held in memory. Open selects every column of the
/// table and fetches all rows at once (the statement is freed right away, so no cursor stays open while
/// the administrator edits); moves are in memory. Update and Delete write through to the table at once
/// with searched statements that must match exactly the row as it was read.
class CXRecordset
{
public:
    explicit CXRecordset(CXDatabase* database);
    virtual ~CXRecordset();
    CXRecordset(const CXRecordset&) = delete;
    CXRecordset& operator=(const CXRecordset&) = delete;

    /// Selects all columns of the table as a snapshot, positioned on the first row (at both ends when the
    /// table is empty). Reopens when open. Throws DbError (OdbcError when the table or a column is
    /// missing); the object is then closed.
    void Open();
    void Close() noexcept;
    /// Close and reopen, put off until the object is next read (moved, counted, edited, deleted from):
    /// a run of rows added one after another reads the table once, after the run, rather than after each
    /// add. Adding does not read the snapshot, so it does not bring the reopen forward. A reopen that
    /// fails then leaves the object closed, as a failed Open does.
    void ReopenBeforeNextRead();
    bool IsOpen() const { return m_open; }

    // A snapshot taken in parts by a reader of its own (a large table read in chunks on another
    // connection): BeginFill opens the object empty, AppendRows adds the rows read, in table order, and
    // EndFill positions it on the first row. Open and Close in between end the fill (see generation()).

    /// The columns a read must select, in statement order (the weight column last, when configured).
    std::vector<CFieldExchange::Column> ExchangedColumns();
    void BeginFill();
    /// Appends `rows`, read for `columns` (the object's columns, or those without the weight column when
    /// the table lacks it; further columns of the rows are left out). `expectedRows`: the rows the table
    /// holds, so that the first rows make room for all.
    void AppendRows(const std::vector<CFieldExchange::Column>& columns, const RowStore& rows,
                    std::size_t expectedRows = 0);
    void EndFill();
    /// Counts every Open, Close and BeginFill: a fill whose generation moved was overtaken by another read.
    std::uint64_t generation() const { return m_generation; }
    /// The position of `field` among the columns of the open object.
    std::size_t columnIndex(const FieldState& field) const { return columnOf(field); }

    bool IsBOF() const;
    bool IsEOF() const;
    /// True when the current row was removed with Delete.
    bool IsDeleted() const;
    void MoveFirst();
    void MoveNext();
    void MovePrev();
    void MoveLast();
    /// Rows of the snapshot not deleted through this object.
    long GetRecordCount() const;

    /// Starts a new row: every field NULL until assigned; Update inserts the assigned columns only.
    void AddNew();
    /// Starts changing the current row; throws DbError when there is none.
    void Edit();
    /// Writes the row started by AddNew or Edit. False when nothing was written (no column assigned or
    /// changed). Throws RowMatchError when an edit did not match exactly one row (nothing is changed
    /// then), OdbcError when the driver fails. After an insert the row current before AddNew is loaded.
    bool Update();
    /// Leaves AddNew or Edit and reloads the current row.
    void CancelUpdate();
    /// Deletes the current row with the same exactly-one-row rule as Update.
    void Delete();

    /// The position of the current row, for coming back to it after a walk over the same object.
    long GetBookmark() const;
    /// Makes the row of a bookmark current again (a row deleted through the object stays deleted).
    void SetBookmark(long bookmark);

    // Statements over many rows at once, for operations that move a whole set (the users of a unit):
    // one round trip instead of one per row. Only integer columns; values are bound, never written
    // into the statement. Each throws DbError; the object must be open.

    /// Keys (the first column) of the table's rows whose column of `field` holds `value`, in table order,
    /// read from the table rather than the snapshot. Inside a transaction on MariaDB the rows are locked
    /// until it ends, so a following UpdateWhere changes exactly these rows.
    std::vector<std::int32_t> SelectKeysWhere(const Field<std::int32_t>& field, std::int32_t value);
    /// How many rows of the table (not the snapshot) hold `value` in the column of `field`; a plain read
    /// that locks nothing.
    long long CountWhere(const FieldState& field, std::int32_t value);
    /// One UPDATE: the column of `set` becomes `newValue` in every row whose column of `where` holds
    /// `whereValue`; the snapshot's rows that match follow. Returns the rows the database changed.
    long long UpdateWhere(Field<std::int32_t>& set, std::int32_t newValue, const Field<std::int32_t>& where,
                          std::int32_t whereValue);
    /// The column of `set` becomes `newValue` in every row whose key is among `keys` (a few hundred keys
    /// per statement); the snapshot's rows follow. Returns the rows the database changed.
    long long UpdateWhereKeyIn(Field<std::int32_t>& set, std::int32_t newValue, const std::vector<std::int32_t>& keys);

    bool IsFieldNull(const FieldState& field) const { return field.isNull(); }
    /// Marks a field NULL (or not); the column then counts as assigned.
    void SetFieldNull(FieldState& field, bool isNull = true);

    /// The system's connection string from DB.dat; only an object opened without a shared connection
    /// would use it.
    virtual std::string GetDefaultConnect() const;
    /// "[" + table name + "]".
    virtual std::string GetDefaultSQL() const = 0;
    /// The record class's own name ("CXTableUser" ...).
    virtual const char* GetRuntimeClassName() const = 0;
    /// Number of columns of the record (the weight column counts when it is configured).
    int GetFieldCount();

    CXDatabase* database() const { return m_database; }
    /// Binds the object to a connection (only while closed).
    void setDatabase(CXDatabase* database);

protected:
    /// Lists the columns in statement order.
    virtual void DoFieldExchange(CFieldExchange& fx) = 0;

private:
    class Store;
    enum class Mode
    {
        None,
        AddNew,
        Edit,
    };

    void openWith(const std::vector<CFieldExchange::Column>& columns);
    void settle() const;
    void loadRow(long row);
    void clearFields(bool toNull);
    long nextLive(long from, int step) const;
    bool isChanged(std::size_t column) const;
    void bindField(OdbcStatement& stmt, SQLUSMALLINT& number, std::size_t column) const;
    void bindStored(OdbcStatement& stmt, SQLUSMALLINT& number, std::size_t column) const;
    std::string whereClause() const;
    bool keyStillPresent();
    bool insertRow();
    bool updateRow();
    void runMatchingOne(OdbcStatement& stmt, const std::string& sql);
    void requireCurrentRow(const char* operation) const;
    std::size_t columnOf(const FieldState& field) const;
    void setInSnapshot(std::size_t column, std::int32_t value, std::size_t whereColumn,
                       const std::vector<std::int32_t>& whereValues);

    CXDatabase* m_database;
    std::vector<CFieldExchange::Column> m_columns;
    std::unique_ptr<Store> m_store;
    bool m_open = false;
    bool m_reopenDue = false;
    std::uint64_t m_generation = 0;
    long m_pos = -1;
    Mode m_mode = Mode::None;
};

/// How a write of one row through UpdateRow or DeleteRow ended.
enum class RowWrite
{
    Written,
    NothingChanged, ///< an edit that changed no column: nothing was sent
    AlreadyGone,    ///< another program deleted the row meanwhile
};

/// Update() where a row another program deleted meanwhile is an answer rather than an error, so that an
/// operation can end quietly or pass over the row, as its rule says. Every record class has its key as
/// its first column; the row is read again by that key to tell a deleted row from a changed one. A row
/// changed meanwhile still throws RowMatchError: that write failed and is reported.
RowWrite UpdateRow(CXRecordset& rs);
/// Delete() with the same rule: a row another program deleted first is AlreadyGone.
RowWrite DeleteRow(CXRecordset& rs);

} // namespace qar
