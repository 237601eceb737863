#include "xml/UserRecordFiles.h"

#include "platform/Paths.h"
#include "xml/DomainUserFile.h"

#include <algorithm>
#include <unordered_set>

namespace qar
{

namespace
{

/// Removes the user's virtual units; true when it had any.
bool dropUnits(MultiUnitUsers& file, std::int32_t id)
{
    const auto user = static_cast<std::uint32_t>(id);
    if (file.GetUserUnits(user).empty()) {
        return false;
    }
    file.SetUserUnits(user, {});
    return true;
}

} // namespace

UserRecordFiles::UserRecordFiles(DomainUserFile* domainUsers, std::string multiUnitPath)
    : m_domain(domainUsers), m_multiUnitPath(std::move(multiUnitPath))
{
    if (m_domain == nullptr) {
        m_ownDomain = std::make_unique<DomainUserFile>(DomainUserFilePath());
        m_domain = m_ownDomain.get();
    } else {
        m_domain->Reload();
    }
}

UserRecordFiles::~UserRecordFiles()
{
    // What was not saved is not written behind the caller's back by the object's own destructor.
    if (m_ownDomain) {
        m_ownDomain->modified = false;
    }
}

MultiUnitUsers& UserRecordFiles::multiUnit()
{
    if (!m_multiUnit) {
        m_multiUnit.emplace();
        m_multiUnit->Load(m_multiUnitPath);
    }
    return *m_multiUnit;
}

void UserRecordFiles::dropRecords(const std::unordered_set<std::int32_t>& ids)
{
    if (ids.empty()) {
        return;
    }
    // One pass over the records, whatever the number of users: an import drops them for every new user.
    std::vector<DomainUserRecord>& records = m_domain->records;
    const auto gone = std::remove_if(records.begin(), records.end(),
                                     [&ids](const DomainUserRecord& r) { return ids.count(r.userId) != 0; });
    if (gone != records.end()) {
        records.erase(gone, records.end());
        m_domain->modified = true;
    }
    MultiUnitUsers& units = multiUnit();
    for (const std::int32_t id : ids) {
        m_multiUnitChanged |= dropUnits(units, id);
    }
}

void UserRecordFiles::renumber(std::int32_t from, std::int32_t to)
{
    dropRecords({to});
    for (DomainUserRecord& r : m_domain->records) {
        if (r.userId == from) {
            r.userId = to;
            m_domain->modified = true;
        }
    }
    MultiUnitUsers& units = multiUnit();
    const MultiUnitUsers::UnitList moved = units.GetUserUnits(static_cast<std::uint32_t>(from));
    if (!moved.empty()) {
        units.SetUserUnits(static_cast<std::uint32_t>(from), {});
        units.SetUserUnits(static_cast<std::uint32_t>(to), moved);
        m_multiUnitChanged = true;
    }
}

void UserRecordFiles::follow(const std::vector<UserIdChange>& changes)
{
    std::unordered_set<std::int32_t> dropped;
    for (const UserIdChange& c : changes) {
        if (c.kind != UserIdChange::Kind::Renumbered) {
            dropped.insert(c.id);
        } else if (c.id != c.newId) {
            // In their order: what was dropped before the move goes first.
            dropRecords(dropped);
            dropped.clear();
            renumber(c.id, c.newId);
        }
    }
    dropRecords(dropped);
}

std::vector<FileFailure> UserRecordFiles::save()
{
    std::vector<FileFailure> failures;
    if (m_domain->modified) {
        if (FileExists(m_domain->path())) {
            if (const FileWriteResult written = m_domain->Save(); !written) {
                failures.push_back({m_domain->path(), written.error});
            }
        } else {
            m_domain->modified = false; // the file is gone: the feature is off
        }
    }
    if (m_multiUnitChanged) {
        if (const FileWriteResult written = m_multiUnit->Save(m_multiUnitPath); !written) {
            failures.push_back({m_multiUnitPath, written.error});
        }
        m_multiUnitChanged = false;
    }
    return failures;
}

std::vector<FileFailure> FollowUserRecords(const std::vector<UserIdChange>& changes)
{
    if (changes.empty()) {
        return {};
    }
    UserRecordFiles files(nullptr, MultiUnitUsersPath());
    files.follow(changes);
    return files.save();
}

} // namespace qar
