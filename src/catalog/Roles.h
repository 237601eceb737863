#pragma once

#include "platform/SafeFile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qar
{

/// Program directory + "\UserData\config\xmldata\role.xml".
std::string RoleFilePath();

/// One role of role.xml: its number (0 to 99 as the editor offers them; a file may hold others), name,
/// daily short-message allowance (255: no limit) and the privilege bits a new user of the role gets.
struct RoleRow
{
    std::int32_t id = 0;
    std::string name;
    std::int32_t sms = 0;
    std::int32_t privileges = 0;

    bool operator==(const RoleRow&) const = default;
};

/// The roles of role.xml in file order; missing numbers read as 0, a missing name as empty. False in
/// `loaded` when the file is missing or does not parse (no roles then).
std::vector<RoleRow> LoadRoleFile(const std::string& path, bool* loaded = nullptr);
/// Writes the roles in the given order over role.xml; the cause when the file cannot be written.
FileWriteResult SaveRoleFile(const std::string& path, const std::vector<RoleRow>& roles);

class CXTableUser;

/// How many users of the table (as it is now, not its snapshot) have `role`; nothing when the table is
/// not open or cannot be read.
std::optional<long long> CountRoleUsers(CXTableUser* users, std::int32_t role);

/// The roles page's list: role.xml's roles kept sorted by the text of their id ("10" before "9"), as
/// the list shows and the file is written.
class RoleList
{
public:
    /// Replaces the rows with the file's roles.
    void load(const std::string& path);
    const std::vector<RoleRow>& rows() const { return m_rows; }

    /// Every id from 0 to 99, ascending, that no row holds.
    std::vector<std::int32_t> freeIds() const;
    /// Inserts a row at its sorted place; returns its index.
    std::size_t insert(RoleRow row);
    /// Replaces name, SMS and privileges of row `index` (its id stays).
    void update(std::size_t index, const RoleRow& values);
    void remove(std::size_t index);

private:
    std::vector<RoleRow> m_rows;
};

/// Fields of the role editor a failed check puts the focus on.
enum class RoleField
{
    None,
    Id,
    Name,
    Sms,
};

/// The first failed check of the role editor: a string id (with the range of kEnterIntegerRange) and
/// the field to focus.
struct RoleFormError
{
    int messageId = 0;
    RoleField field = RoleField::None;
    int rangeMin = 0;
    int rangeMax = 0;
};

/// What the role editor's fields hold.
struct RoleForm
{
    int idIndex = -1; ///< selection in the id list, -1 for none
    std::string name;
    std::string smsText;
    std::int32_t privileges = 0;
};

/// The role editor's logic: the ids it offers and the checks of OK.
class RoleFormModel
{
public:
    /// Add: the free ids, the lowest preselected. Edit: only the edited role's id.
    explicit RoleFormModel(std::vector<std::int32_t> ids) : m_ids(std::move(ids)) {}

    const std::vector<std::int32_t>& ids() const { return m_ids; }
    /// The form as it opens for `values` (add: empty name, SMS 0, privileges 0).
    RoleForm initialForm(const RoleRow& values) const;
    /// Checks in order: name, SMS field, an id selected, SMS a whole number from 0 to 255.
    RoleFormError validate(const RoleForm& form, RoleRow& valid) const;

private:
    std::vector<std::int32_t> m_ids;
};

} // namespace qar
