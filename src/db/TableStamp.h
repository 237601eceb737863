#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qar
{

class CXDatabase;
class CXRecordset;

/// A cheap summary of the state of some tables, taken before they are read: when two stamps taken on the
/// same connection are equal, nothing wrote those tables in between, and rows read after the first are
/// still what the tables hold. nullopt when that cannot be told (the tables must be read). Throws DbError
/// when the database does not answer.
std::optional<std::string> ReadTableStamp(CXDatabase& db, const std::vector<const CXRecordset*>& tables);

} // namespace qar
