#pragma once

#include "platform/SafeFile.h"
#include "xml/MultiUnitUsers.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace qar
{

class DomainUserFile;

/// What happened to a user whose records lie outside the database.
struct UserIdChange
{
    enum class Kind
    {
        Deleted,    ///< the user's records go
        Renumbered, ///< the user's records move to `newId`
        Added,      ///< a new user: records a former holder of the id left behind go
    };
    Kind kind = Kind::Deleted;
    std::int32_t id = 0;    ///< the user's id (the old one when renumbered)
    std::int32_t newId = 0; ///< Renumbered: the id the user has now
};

/// The two files that hold a user's records besides its row: the domain sign-on users file (Userx.xml:
/// the account the user signs on with and its net-disk size) and the multi-unit users file (MUser.xml:
/// its virtual units). Records follow their user, so that a user given a freed id never gets another
/// person's account, quota or units. Changes are made in memory by follow() and written by save(),
/// after the user's row is in the database.
class UserRecordFiles
{
public:
    /// `domainUsers`: the object the main window holds for the run (read again unless it holds unsaved
    /// changes), or null to read the file at DomainUserFilePath() for this change alone.
    UserRecordFiles(DomainUserFile* domainUsers, std::string multiUnitPath);
    ~UserRecordFiles();
    UserRecordFiles(const UserRecordFiles&) = delete;
    UserRecordFiles& operator=(const UserRecordFiles&) = delete;

    /// The sign-on users file, for changes of the user's own record that go with the same save.
    DomainUserFile& domainUsers() { return *m_domain; }

    /// Applies the changes in their order. A renumbered user's records replace whatever the new id had.
    void follow(const std::vector<UserIdChange>& changes);
    /// Writes each file that changed; the files that could not be written, with the cause. A missing
    /// Userx.xml is the feature switched off, not a failure; MUser.xml is not created to say nothing.
    std::vector<FileFailure> save();

private:
    MultiUnitUsers& multiUnit();
    void dropRecords(const std::unordered_set<std::int32_t>& ids);
    void renumber(std::int32_t from, std::int32_t to);

    std::unique_ptr<DomainUserFile> m_ownDomain;
    DomainUserFile* m_domain;
    std::string m_multiUnitPath;
    std::optional<MultiUnitUsers> m_multiUnit; ///< read at the first change
    bool m_multiUnitChanged = false;
};

/// Follows `changes` in the program's Userx.xml and MUser.xml and writes them: what a program other than
/// the administration tool (an import) calls after its rows are committed.
std::vector<FileFailure> FollowUserRecords(const std::vector<UserIdChange>& changes);

} // namespace qar
