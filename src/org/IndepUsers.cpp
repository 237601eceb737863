#include "org/IndepUsers.h"

#include "db/CXTableUser.h"
#include "db/OdbcError.h"
#include "org/Privileges.h"
#include "platform/TextUtil.h"
#include "resources/StringIds.h"
#include "xml/CXMarkupFile.h"

#include <algorithm>
#include <limits>

namespace qar
{

namespace
{
constexpr int kImageIndependentUser = 5;
constexpr int kImageIndependentAdmin = 6;
constexpr std::int32_t kFirstIndependentUserId = 10000;

/// The columns the short user form edits.
void writeShortFields(CXTableUser& t, const ValidShortUser& user)
{
    t.m_NAME = user.name;
    t.m_PASSWORD = user.password;
    t.m_EMAIL = user.email;
    t.m_MOBILE = user.mobile;
    t.m_GROUP_ID = user.group;
    t.m_POWER_FLAG = user.power;
}

} // namespace

std::vector<ComboEntry> AccountGroupEntries(const std::vector<std::string>& groupNames, const std::string& allText,
                                            const std::string& noGroupText)
{
    std::vector<ComboEntry> entries{{allText, kAllGroups}, {noGroupText, 0}};
    for (const std::string& name : groupNames) {
        entries.push_back({name, AtoI(name)});
    }
    return entries;
}

std::vector<AccountRow> IndepUserModel::rows(std::int32_t group) const
{
    std::vector<AccountRow> rows;
    if (m_users == nullptr || !m_users->IsOpen() || m_users->GetRecordCount() == 0) {
        return rows;
    }
    CXTableUser& t = *m_users;
    for (t.MoveFirst(); !t.IsEOF(); t.MoveNext()) {
        if (group != kAllGroups && t.m_GROUP_ID != group) {
            continue;
        }
        const auto power = static_cast<std::uint32_t>(t.m_POWER_FLAG.get());
        const bool admin = (power & (kPowerAdministrator | kPowerGroupAdministrator)) != 0;
        if (m_mode == AccountListMode::Administrators ? !admin : t.m_UNIT_ID != 0) {
            continue;
        }
        int image = admin ? kImageAdminUser : kImageUser;
        if (t.m_UNIT_ID == 0) {
            image = admin ? kImageIndependentAdmin : kImageIndependentUser;
        }
        rows.push_back({t.m_USER_ID, t.m_NAME, t.m_GROUP_ID, PowerTextId(t.m_POWER_FLAG), image});
    }
    return rows;
}

bool IndepUserModel::reopen()
{
    if (m_users == nullptr) {
        return false;
    }
    m_users->Close();
    try {
        m_users->Open();
    } catch (const DbError&) {
        return false;
    }
    return true;
}

ShortUserForm IndepUserModel::startAdd(std::int32_t group)
{
    std::int32_t proposed = kFirstIndependentUserId;
    if (reopen()) {
        for (m_users->MoveFirst(); !m_users->IsEOF(); m_users->MoveNext()) {
            if (m_users->m_USER_ID.get() < std::numeric_limits<std::int32_t>::max()) {
                proposed = std::max(proposed, m_users->m_USER_ID.get() + 1);
            }
        }
    }
    ShortUserForm form;
    form.userIdText = std::to_string(proposed);
    form.groupText = std::to_string(group);
    return form;
}

AccountMessage IndepUserModel::finishAdd(const ValidShortUser& user)
{
    try {
        CXTableUser& t = *m_users;
        if (!t.IsOpen()) {
            t.Open();
        }
        t.AddNew();
        t.m_USER_ID = user.id;
        writeShortFields(t, user);
        t.m_UNIT_ID = 0;
        t.m_USER_STATUS = 1;
        t.m_DUTY = std::string();
        t.m_DUTY_CLASS = 0;
        t.m_MACHINE_ID = 0;
        t.m_SCORE = 0;
        t.m_OL_TIME = 0;
        if (t.HasWeightColumn()) {
            t.m_WEIGHT = 0;
        }
        t.Update();
    } catch (const DbError& e) {
        reopen();
        return {0, e.what(), {}};
    }
    reopen();
    return {0, {}, followRecords({UserIdChange::Kind::Added, user.id})};
}

std::vector<FileFailure> IndepUserModel::followRecords(const UserIdChange& change)
{
    const std::optional<UserIdChange> follows =
        m_users->IsOpen() ? CommittedUserChange(*m_users, change) : std::nullopt;
    if (!follows) {
        return {};
    }
    UserRecordFiles files(m_domainUsers, MultiUnitUsersPath());
    files.follow({*follows});
    return files.save();
}

std::optional<ShortUserForm> IndepUserModel::startEdit(std::int32_t userId)
{
    if (!reopen() || !FindUserRow(*m_users, userId)) {
        return std::nullopt;
    }
    m_stored = ReadUserRecord(*m_users);
    ShortUserForm form;
    form.userIdText = std::to_string(m_stored.id);
    form.name = m_stored.name;
    form.password = m_stored.password;
    form.passwordAgain = m_stored.password;
    form.email = m_stored.email;
    form.mobile = m_stored.mobile;
    form.groupText = std::to_string(m_stored.group);
    form.power = static_cast<std::uint32_t>(m_stored.power);
    return form;
}

AccountMessage IndepUserModel::writeStoredRow(std::int32_t userId, const std::function<void(CXTableUser&)>& write)
{
    try {
        CXTableUser& t = *m_users;
        if (!t.IsOpen()) {
            t.Open();
        }
        if (!FindUserRow(t, userId)) {
            reopen();
            return {}; // read again meanwhile, and gone
        }
        // The table may have been read again since the form opened: a row that differs from the one the
        // administrator started from was changed by someone else.
        if (!(ReadUserRecord(t) == m_stored)) {
            reopen();
            return {str::kOperationFailed, {}, {}};
        }
        write(t);
    } catch (const RowMatchError& e) {
        reopen();
        return e.matchedRows() == 0 && e.rowDeleted() ? AccountMessage{}
                                                      : AccountMessage{str::kOperationFailed, {}, {}};
    } catch (const DbError&) {
        reopen();
        return {str::kOperationFailed, {}, {}};
    }
    reopen();
    return {};
}

AccountMessage IndepUserModel::finishEdit(std::int32_t userId, const ValidShortUser& user)
{
    return writeStoredRow(userId, [&](CXTableUser& t) {
        t.Edit();
        writeShortFields(t, user);
        t.Update();
    });
}

std::optional<std::string> IndepUserModel::startDelete(std::int32_t userId)
{
    if (!reopen() || !FindUserRow(*m_users, userId)) {
        return std::nullopt;
    }
    m_stored = ReadUserRecord(*m_users);
    return m_stored.name;
}

AccountMessage IndepUserModel::finishDelete(std::int32_t userId)
{
    bool deleted = false;
    AccountMessage result = writeStoredRow(userId, [&deleted](CXTableUser& t) {
        t.Delete();
        deleted = true;
    });
    if (deleted && !result) {
        result.fileFailures = followRecords({UserIdChange::Kind::Deleted, userId});
    }
    return result;
}

} // namespace qar
