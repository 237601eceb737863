#pragma once

#include "db/Field.h"

#include <cstdint>

namespace qar
{

class CXDatabase;

/// What became of a row a searched UPDATE or DELETE no longer matched.
enum class RowFate
{
    Deleted, ///< no row holds its key any more
    Changed, ///< a row with its key is there, with other values: another program changed it
};

/// Reads the table again, in a record object of its own, to tell whether another program deleted the row
/// whose key column `key` held `value` or changed it. Throws DbError when the table cannot be read.
template <class Table>
RowFate RecheckRowByKey(CXDatabase* database, Field<std::int32_t> Table::*key, std::int32_t value)
{
    Table fresh(database);
    fresh.Open();
    for (; !fresh.IsEOF(); fresh.MoveNext()) {
        if (fresh.*key == value) {
            return RowFate::Changed;
        }
    }
    return RowFate::Deleted;
}

} // namespace qar
