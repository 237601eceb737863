// The user editor's page operations: Add-user and Edit-user, with the tree, the page's lists, the
// change flag and the change rows that follow a written user row.
#include "org/UserEditing.h"

#include "db/CXTableUnit.h"
#include "db/CXTableUser.h"
#include "db/OdbcError.h"
#include "platform/DiagnosticLog.h"
#include "resources/StringIds.h"
#include "xml/DomainUserFile.h"

#include <algorithm>

namespace qar
{

namespace
{

constexpr std::uint8_t kActAdded = 0;
constexpr std::uint8_t kActDeleted = 1;
constexpr std::uint8_t kActModified = 2;

} // namespace

UserRecord ReadUserRecord(const CXTableUser& t)
{
    return {t.m_USER_ID,
            t.m_PASSWORD,
            t.m_NAME,
            t.m_MACHINE_ID,
            t.m_POWER_FLAG,
            t.m_EMAIL,
            t.m_MOBILE,
            t.m_UNIT_ID,
            t.m_DUTY,
            t.m_USER_STATUS,
            t.m_OL_TIME,
            t.m_SCORE,
            t.m_DUTY_CLASS,
            t.m_GROUP_ID,
            t.HasWeightColumn() ? std::optional<std::int32_t>(t.m_WEIGHT.get()) : std::nullopt};
}

std::optional<UserIdChange> CommittedUserChange(CXTableUser& users, const UserIdChange& change)
{
    using Kind = UserIdChange::Kind;
    try {
        const auto holders = [&users](std::int32_t id) { return users.CountWhere(users.m_USER_ID, id); };
        switch (change.kind) {
        case Kind::Deleted:
            if (holders(change.id) == 0) {
                return change;
            }
            break;
        case Kind::Added:
            if (holders(change.id) == 1) {
                return change;
            }
            break;
        case Kind::Renumbered:
            if (holders(change.id) == 0) {
                return change;
            }
            // The old id's records stay with the row that still holds it; the new id starts clean.
            if (holders(change.newId) == 1) {
                return UserIdChange{Kind::Added, change.newId};
            }
            break;
        }
    } catch (const DbError& e) {
        LogDiagnostic("The records of user " + std::to_string(change.id) +
                      " in Userx.xml and MUser.xml were left as they are: " + e.what());
    }
    return std::nullopt;
}

bool FindUserRow(CXTableUser& t, std::int32_t userId)
{
    for (t.MoveFirst(); !t.IsEOF(); t.MoveNext()) {
        if (t.m_USER_ID == userId) {
            return true;
        }
    }
    return false;
}

namespace
{

void writeColumns(CXTableUser& t, const ValidUser& user, const std::string& password)
{
    t.m_USER_STATUS = user.status;
    t.m_USER_ID = user.id;
    t.m_NAME = user.name;
    t.m_PASSWORD = password;
    t.m_DUTY = user.duty;
    t.m_DUTY_CLASS = user.role;
    t.m_EMAIL = user.email;
    t.m_OL_TIME = user.olTime;
    t.m_GROUP_ID = user.group;
    t.m_MOBILE = user.mobile;
    // A NULL weight the administrator left alone stays NULL.
    if (t.HasWeightColumn() && !user.keepStoredWeight) {
        t.m_WEIGHT = user.weight;
    }
    t.m_POWER_FLAG = user.power;
    t.m_SCORE = user.score;
    t.m_UNIT_ID = user.unit;
}

void removeFirst(std::vector<std::int32_t>& ids, std::int32_t id)
{
    const auto it = std::find(ids.begin(), ids.end(), id);
    if (it != ids.end()) {
        ids.erase(it);
    }
}

} // namespace

void CUnitUserModel::userWritten(OrgChangeReport::Action action, std::int32_t userId, std::int32_t oldId)
{
    m_report = {action, userId, oldId};
    m_report.written = true;
    raise(Effect::UsersChanged);
    raise(Effect::ServiceButtons);
}

UserEditing::UserEditing(CUnitUserModel& page, UserEditEnvironment environment)
    : m_page(page), m_env(std::move(environment))
{}

UserEditSession UserEditing::makeSession(const UserFormSetup& setup) const
{
    std::vector<UserFormUnit> units;
    if (CXTableUnit* t = m_page.tables().unit; t != nullptr && t->IsOpen()) {
        units.reserve(static_cast<std::size_t>(t->GetRecordCount()));
        for (t->MoveFirst(); !t->IsEOF(); t->MoveNext()) {
            units.push_back({t->m_UNIT_ID, t->m_UNIT_NAME, t->m_GROUP_ID});
        }
    }
    UserFormModel form(setup, std::move(units), LoadRoleFile(m_env.roleFile), m_page.index());
    UserForm fields = form.initialForm();
    const PowerNames names = ReadPowerNames(m_env.powerFile);
    UserEditSession session{std::move(form),
                            std::move(fields),
                            PrivilegeBoxLooks(names, m_page.adminContext().systemManager),
                            false,
                            {},
                            OrgTree::kNone,
                            {},
                            0};
    session.extendedSection = m_env.extendedSection;
    if (m_env.domainUsers != nullptr) {
        session.signDomain = m_env.domainUsers->domain;
    }
    return session;
}

std::variant<OrgMessage, UserEditSession> UserEditing::startAddUser() const
{
    CXTableUser* t = m_page.tables().user;
    if (t == nullptr || !t->IsOpen()) {
        return OrgMessage{str::kUnableToOpenDb, {}};
    }
    const OrgTree& tree = m_page.tree();
    const OrgTree::NodeId selected = m_page.selected();
    UserFormSetup setup;
    setup.context = m_page.adminContext();
    setup.accountMode = m_env.params.accountMode();
    if (selected != OrgTree::kNone) {
        switch (tree.kind(selected)) {
        case NodeKind::Group:
            return OrgMessage{str::kAddUserUnderDepartment, {}};
        case NodeKind::Unit:
            setup.unitId = tree.itemData(selected);
            break;
        case NodeKind::User:
            setup.unitId = tree.parent(selected) != OrgTree::kRoot ? tree.itemData(tree.parent(selected)) : 0;
            break;
        case NodeKind::Other:
            break;
        }
    }
    UserEditSession session = makeSession(setup);
    session.fields.userIdText = std::to_string(m_page.index().nextUserId);
    return session;
}

void UserEditing::writeRecords(const ValidUser& user, std::optional<UserIdChange> change)
{
    UserRecordFiles files(m_env.domainUsers, MultiUnitUsersPath());
    if (change) {
        files.follow({*change});
    }
    if (m_env.extendedSection) {
        StoreDomainUserData(files.domainUsers(), user.id, user.domainAccount, user.netDiskMb);
    }
    m_page.noteFileFailures(files.save());
}

OrgMessage UserEditing::finishAddUser(const UserEditSession& session, const ValidUser& user)
{
    OrgIndex& index = m_page.index();
    // The row and its change row are one transaction: a failure leaves neither (a group limit that cannot be
    // read and a password digest the system refuses included), and the tree is built again from the tables.
    bool written = false;
    const OrgMessage result = m_page.runUserWrite(OrgChangeReport::Action::UserAdded, user.id, [&]() -> OrgMessage {
        const int limit = m_env.groupUserLimit ? m_env.groupUserLimit(user.group) : 0;
        const auto counted = index.groupUserCount.find(user.group);
        if (limit >= 1 && counted != index.groupUserCount.end() && counted->second >= limit) {
            return {str::kUserAmountAtLimit, {}};
        }
        const std::string password = ApplyPasswordMethod(m_env.params.passwordMethod, user.password);
        m_page.recordChangedUser(user.id);
        CXTableUser& t = *m_page.tables().user;
        if (!t.IsOpen()) {
            t.Open();
        }
        t.AddNew();
        writeColumns(t, user, password);
        t.m_MACHINE_ID = 0;

        // The node goes in before the row is written; a failed write builds the tree again.
        if (const auto unit = index.unitNodes.find(user.unit); unit != index.unitNodes.end()) {
            std::string text;
            AppendUserNodeText(text, m_page.texts(), {user.id, user.name, user.status});
            // The new user is selected, as a new unit is, so that the tree shows where it went.
            m_page.select(m_page.tree().insertLast(unit->second, text, user.id, kImageUser));
            m_page.tree().setExpanded(unit->second, true);
            index.allUserIds.push_back(user.id);
            if (!user.email.empty()) {
                index.emails.push_back(user.email);
            }
            if (!user.mobile.empty()) {
                index.mobiles.push_back(user.mobile);
            }
            ++index.groupUserCount[user.group];
            index.noteUserId(user.id);
        }
        if (!t.Update()) {
            return {};
        }
        m_page.userWritten(OrgChangeReport::Action::UserAdded, user.id);
        m_page.logUserChange(user.id, kActAdded);
        t.ReopenBeforeNextRead();
        written = true;
        return {};
    });
    if (written && !result) {
        // Units the administrator gave the new id from this very form are the user's own.
        std::optional<UserIdChange> change;
        if (session.virtualUnitsSetFor != user.id) {
            change = CommittedUserChange(*m_page.tables().user, {UserIdChange::Kind::Added, user.id});
        }
        writeRecords(user, change);
    }
    return result;
}

std::variant<OrgMessage, UserEditSession> UserEditing::startEditUser() const
{
    CXTableUser* t = m_page.tables().user;
    if (t == nullptr || !t->IsOpen()) {
        return OrgMessage{str::kUnableToOpenDb, {}};
    }
    const OrgTree::NodeId node = m_page.selected();
    if (node == OrgTree::kNone || m_page.tree().kind(node) != NodeKind::User) {
        return OrgMessage{};
    }
    if (!FindUserRow(*t, m_page.tree().itemData(node))) {
        return OrgMessage{}; // deleted meanwhile by another program
    }
    const UserRecord row = ReadUserRecord(*t);
    UserFormSetup setup;
    setup.context = m_page.adminContext();
    setup.editMode = true;
    setup.accountMode = m_env.params.accountMode();
    setup.unitId = row.unit;
    setup.role = row.role;
    setup.storedRole = row.role;
    setup.status = row.status;
    setup.storedId = row.id;
    setup.storedEmail = row.email;
    setup.storedMobile = row.mobile;
    setup.storedDuty = row.duty;
    // A NULL weight is shown as an empty field, and stays NULL unless a number is typed.
    const bool weightNull = row.weight && t->IsFieldNull(t->m_WEIGHT);
    setup.storedWeightNull = weightNull;
    UserEditSession session = makeSession(setup);
    session.fields = session.form.initialForm(UserFormOf(row));
    UserForm& f = session.fields;
    if (weightNull) {
        f.weightText.clear();
    }
    if (m_env.domainUsers != nullptr) {
        m_env.domainUsers->Reload(); // an import may have written it since
        if (const DomainUserRecord* r = m_env.domainUsers->FindDomainUser(row.id)) {
            f.domainAccount = r->domainAccount;
            f.netDiskMb = r->netDiskMb;
        }
    }
    session.node = node;
    session.stored = row;
    return session;
}

void UserEditing::showEdited(const UserEditSession& session, const ValidUser& user)
{
    const UserRecord& old = session.stored;
    OrgIndex& index = m_page.index();
    if (user.email != old.email) {
        m_page.removeEmail(old.email);
        if (!user.email.empty()) {
            index.emails.push_back(user.email);
        }
    }
    if (user.mobile != old.mobile) {
        m_page.removeMobile(old.mobile);
        if (!user.mobile.empty()) {
            index.mobiles.push_back(user.mobile);
        }
    }
    OrgTree& tree = m_page.tree();
    const bool listed = tree.isValid(session.node);
    bool listedAfter = listed;
    if (user.unit != old.unit || user.name != old.name || user.status != old.status || user.id != old.id) {
        if (listed) {
            tree.remove(session.node);
            m_page.select(OrgTree::kNone);
        }
        listedAfter = false;
        if (const auto unit = index.unitNodes.find(user.unit); unit != index.unitNodes.end()) {
            std::string text;
            AppendUserNodeText(text, m_page.texts(), {user.id, user.name, user.status});
            m_page.select(tree.insertLast(unit->second, text, user.id, kImageUser));
            listedAfter = true;
        }
        if (old.id != 0 && old.id != user.id) {
            removeFirst(index.allUserIds, old.id);
            index.allUserIds.push_back(user.id);
        }
    }
    // The group user count follows the users listed in the tree.
    if (listed && --index.groupUserCount[old.group] <= 0) {
        index.groupUserCount.erase(old.group);
    }
    if (listedAfter) {
        ++index.groupUserCount[user.group];
    }
}

OrgMessage UserEditing::finishEditUser(const UserEditSession& session, const ValidUser& user)
{
    const UserRecord& old = session.stored;
    const bool changed = user.id != old.id || user.unit != old.unit || user.name != old.name || user.duty != old.duty ||
                         user.email != old.email || user.status != old.status || user.role != old.role ||
                         user.mobile != old.mobile || user.power != old.power;
    const bool idChanged = old.id != 0 && old.id != user.id;
    CXTableUser& t = *m_page.tables().user;
    // The row and its change rows are one transaction: a failure leaves none of them, and the tree is built
    // again from the tables.
    bool saved = false;
    const OrgMessage result = m_page.runUserWrite(OrgChangeReport::Action::UserSaved, old.id, [&]() -> OrgMessage {
        if (!t.IsOpen()) {
            t.Open();
        }
        // The table may have been read again while the form was open (the refresh timer): the row must
        // still be the one the form was loaded from, or another program changed it and this write fails.
        if (!FindUserRow(t, old.id)) {
            return m_page.rowGone();
        }
        if (!(ReadUserRecord(t) == old)) {
            throw DbError("user " + std::to_string(old.id) + " was changed by another program meanwhile");
        }
        const std::string password = ApplyPasswordMethod(m_env.params.passwordMethod, user.password);
        m_page.recordChangedUser(user.id);
        showEdited(session, user);
        t.Edit();
        writeColumns(t, user, password);
        const RowWrite written = UpdateRow(t);
        if (written == RowWrite::AlreadyGone) {
            return m_page.rowGone();
        }
        if (written == RowWrite::NothingChanged) {
            saved = true; // the sign-on record may still have changed
            return {};
        }
        m_page.userWritten(OrgChangeReport::Action::UserSaved, user.id, old.id);
        if (idChanged) {
            m_page.logUserChange(old.id, kActDeleted);
            m_page.logUserChange(user.id, kActAdded);
        } else if (changed) {
            m_page.logUserChange(user.id, kActModified);
        }
        saved = true;
        return {};
    });
    if (saved && !result) {
        std::optional<UserIdChange> change;
        if (idChanged) {
            change = CommittedUserChange(t, {UserIdChange::Kind::Renumbered, old.id, user.id});
        }
        writeRecords(user, change);
    }
    return result;
}

} // namespace qar
