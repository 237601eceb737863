#include "db/WriteFailure.h"

#include "db/CXDatabase.h"
#include "db/OdbcError.h"

namespace qar
{

WriteFailure DescribeWriteFailure(const DbError& error, const CXDatabase* database)
{
    WriteFailure failure;
    failure.noAnswerSeconds = database != nullptr && IsConnectionFailure(error) ? database->lastNoAnswerSeconds() : 0;
    failure.unconfirmed = dynamic_cast<const CommitUnconfirmedError*>(&error) != nullptr;
    failure.conflict = IsWriteConflict(error);
    failure.cause = error.what();
    return failure;
}

std::string WriteFailureLogText(const std::string& what, const WriteFailure& failure)
{
    const std::string cause = failure.noAnswerSeconds == 0
                                  ? failure.cause
                                  : "no answer from the server within " + std::to_string(failure.noAnswerSeconds) +
                                        " seconds: " + failure.cause;
    if (failure.unconfirmed) {
        return what +
               " was sent, but the server did not confirm its commit: it may or may not have been saved; "
               "the tables are read again: " +
               cause;
    }
    if (failure.conflict) {
        return what +
               " was refused because the same rows were changed at the same time elsewhere (another node "
               "of the cluster, or another transaction); nothing of it stays, try again: " +
               failure.cause;
    }
    return what + " was not saved, nothing of it stays: " + cause;
}

} // namespace qar
