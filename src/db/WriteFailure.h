#pragma once

#include <string>

namespace qar
{

class CXDatabase;
class DbError;

/// What a failed write tells the administrator beyond "not successful": whether anything may have been
/// saved after all, and why the database refused it when the tool knows the reason.
struct WriteFailure
{
    /// The commit went out and its reply never came: the change may be saved or not. Say so, and read
    /// the tables again; never claim that nothing was kept.
    bool unconfirmed = false;
    /// Refused because another transaction, or another node of a cluster, changed the same rows at the
    /// same time (native error 1213): nothing was kept, and trying again is safe.
    bool conflict = false;
    /// The seconds the server was waited for before the write gave up, 0 when it answered.
    unsigned noAnswerSeconds = 0;
    /// The driver's own text.
    std::string cause;
};

/// The failure `error` of a write on `database` (when given, it tells whether the server never answered).
WriteFailure DescribeWriteFailure(const DbError& error, const CXDatabase* database = nullptr);

/// The diagnostic log's line for a failed write: `what` ("A change to units and users"), how it ended,
/// the reason where known, and the driver's text.
std::string WriteFailureLogText(const std::string& what, const WriteFailure& failure);

} // namespace qar
