#include "catalog/Roles.h"

#include "db/CXTableUser.h"
#include "db/OdbcError.h"
#include "platform/Paths.h"
#include "resources/StringIds.h"
#include "xml/CXMarkupFile.h"

#include <algorithm>
#include <charconv>

namespace qar
{

std::string RoleFilePath()
{
    return ProgramPath("\\UserData\\config\\xmldata\\role.xml");
}

std::vector<RoleRow> LoadRoleFile(const std::string& path, bool* loaded)
{
    std::vector<RoleRow> roles;
    CXMarkupFile file;
    const bool ok = file.LoadFile(path);
    if (loaded != nullptr) {
        *loaded = ok;
    }
    if (!ok || !file.FindElement("QAR_ROLE") || !file.EnterElement()) {
        return roles;
    }
    while (file.FindElement("R")) {
        roles.push_back({file.GetAttributeInt("ID"), file.GetAttributeForSystem("N"), file.GetAttributeInt("SMS"),
                         file.GetAttributeInt("P")});
    }
    return roles;
}

FileWriteResult SaveRoleFile(const std::string& path, const std::vector<RoleRow>& roles)
{
    CXMarkupFile file;
    file.AddElement("QAR_ROLE");
    for (const RoleRow& r : roles) {
        file.AddChildElement("R");
        file.EnterElement();
        file.SetAttribute("ID", std::to_string(r.id));
        file.SetAttribute("N", r.name);
        file.SetAttribute("SMS", std::to_string(r.sms));
        file.SetAttribute("P", std::to_string(r.privileges));
        file.LeaveElement();
    }
    return file.SaveFileChecked(path);
}

std::optional<long long> CountRoleUsers(CXTableUser* users, std::int32_t role)
{
    if (users == nullptr || !users->IsOpen()) {
        return std::nullopt;
    }
    try {
        return users->CountWhere(users->m_DUTY_CLASS, role);
    } catch (const DbError&) {
        return std::nullopt;
    }
}

namespace
{
bool idTextBefore(const RoleRow& a, const RoleRow& b)
{
    return std::to_string(a.id) < std::to_string(b.id);
}
} // namespace

void RoleList::load(const std::string& path)
{
    m_rows = LoadRoleFile(path);
    std::stable_sort(m_rows.begin(), m_rows.end(), idTextBefore);
}

std::vector<std::int32_t> RoleList::freeIds() const
{
    std::vector<std::int32_t> ids;
    for (std::int32_t id = 0; id <= 99; ++id) {
        if (std::none_of(m_rows.begin(), m_rows.end(), [id](const RoleRow& r) { return r.id == id; })) {
            ids.push_back(id);
        }
    }
    return ids;
}

std::size_t RoleList::insert(RoleRow row)
{
    const auto at = std::upper_bound(m_rows.begin(), m_rows.end(), row, idTextBefore);
    // The insert may move the rows: the position is taken from the iterator it returns, never from a
    // begin() read beside it in the same expression.
    const auto inserted = m_rows.insert(at, std::move(row));
    return static_cast<std::size_t>(inserted - m_rows.begin());
}

void RoleList::update(std::size_t index, const RoleRow& values)
{
    RoleRow& r = m_rows.at(index);
    r.name = values.name;
    r.sms = values.sms;
    r.privileges = values.privileges;
}

void RoleList::remove(std::size_t index)
{
    m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(index));
}

RoleForm RoleFormModel::initialForm(const RoleRow& values) const
{
    return {m_ids.empty() ? -1 : 0, values.name, std::to_string(values.sms), values.privileges};
}

RoleFormError RoleFormModel::validate(const RoleForm& form, RoleRow& valid) const
{
    if (form.name.empty()) {
        return {str::kInputCantBeNull, RoleField::Name};
    }
    if (form.smsText.empty()) {
        return {str::kInputCantBeNull, RoleField::Sms};
    }
    if (form.idIndex < 0 || static_cast<std::size_t>(form.idIndex) >= m_ids.size()) {
        return {str::kInvalidId, RoleField::Id};
    }
    // The field takes digits only; what it holds must still fit the allowance's byte.
    std::string_view sms = form.smsText;
    while (!sms.empty() && sms.front() == ' ') {
        sms.remove_prefix(1);
    }
    while (!sms.empty() && sms.back() == ' ') {
        sms.remove_suffix(1);
    }
    long long value = -1;
    const auto res = std::from_chars(sms.data(), sms.data() + sms.size(), value);
    if (sms.empty() || res.ec != std::errc() || res.ptr != sms.data() + sms.size() || value < 0 || value > 255) {
        return {str::kEnterIntegerRange, RoleField::Sms, 0, 255};
    }
    valid = {m_ids[static_cast<std::size_t>(form.idIndex)], form.name, static_cast<std::int32_t>(value),
             form.privileges};
    return {};
}

} // namespace qar
