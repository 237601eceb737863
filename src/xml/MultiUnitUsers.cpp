#include "xml/MultiUnitUsers.h"

#include "platform/Paths.h"
#include "platform/TextUtil.h"
#include "xml/CXMarkupFile.h"

#include <algorithm>

namespace qar
{

std::string MultiUnitUsersPath()
{
    return ProgramPath("\\UserData\\config\\xmldata\\MUser.xml");
}

MultiUnitUsers::UnitList ParseUnitsText(std::string_view text)
{
    while (!text.empty() && (text.back() == ' ' || (text.back() >= '\t' && text.back() <= '\r'))) {
        text.remove_suffix(1);
    }
    while (!text.empty() && text.back() == '|') {
        text.remove_suffix(1);
    }
    MultiUnitUsers::UnitList units;
    while (!text.empty()) {
        const std::size_t bar = text.find('|');
        const std::string_view piece = text.substr(0, bar);
        // Read as a signed decimal, as the platform always has: "-1" is unit 4294967295, "abc" is 0.
        if (const auto unit = static_cast<std::uint32_t>(AtoI(piece)); unit != 0) {
            units.push_back(unit);
        }
        if (bar == std::string_view::npos) {
            break;
        }
        text.remove_prefix(bar + 1);
    }
    return units;
}

std::string FormatUnitsText(const MultiUnitUsers::UnitList& units)
{
    std::string text;
    for (std::uint32_t unit : units) {
        if (unit != 0) {
            text += std::to_string(static_cast<std::int32_t>(unit));
            text += '|';
        }
    }
    if (!text.empty()) {
        text.pop_back();
    }
    return text;
}

void MultiUnitUsers::Load(const std::string& path)
{
    m_users.clear();
    CXMarkupFile file;
    if (!file.LoadFile(path) || !file.FindElement("QAR_USERS") || !file.EnterElement()) {
        return;
    }
    while (file.FindElement("USER")) {
        const auto userId = static_cast<std::uint32_t>(file.GetAttributeInt("ID"));
        UnitList units = ParseUnitsText(file.GetAttributeForSystem("UNITS"));
        if (!units.empty()) { // an empty list leaves an earlier entry of the same user alone
            m_users.emplace_back(userId, std::move(units));
        }
    }
    // By user id, the last element of a user winning: a stable sort keeps file order among equals.
    std::stable_sort(m_users.begin(), m_users.end(), [](const Entry& a, const Entry& b) { return a.first < b.first; });
    std::vector<Entry> unique;
    unique.reserve(m_users.size());
    for (Entry& e : m_users) {
        if (!unique.empty() && unique.back().first == e.first) {
            unique.back() = std::move(e);
        } else {
            unique.push_back(std::move(e));
        }
    }
    m_users = std::move(unique);
}

std::vector<MultiUnitUsers::Entry>::iterator MultiUnitUsers::find(std::uint32_t userId)
{
    return std::lower_bound(m_users.begin(), m_users.end(), userId,
                            [](const Entry& e, std::uint32_t id) { return e.first < id; });
}

FileWriteResult MultiUnitUsers::Save(const std::string& path) const
{
    CXMarkupFile file;
    file.AddElement("QAR_USERS");
    for (const auto& [userId, units] : m_users) {
        if (userId == 0) {
            continue;
        }
        const std::string text = FormatUnitsText(units);
        if (text.empty()) {
            continue;
        }
        file.AddChildElement("USER");
        file.EnterElement();
        file.SetAttribute("ID", std::to_string(static_cast<std::int32_t>(userId)));
        file.SetAttribute("UNITS", text);
        file.LeaveElement();
    }
    return file.SaveFileChecked(path);
}

MultiUnitUsers::UnitList MultiUnitUsers::GetUserUnits(std::uint32_t userId) const
{
    const auto it = std::lower_bound(m_users.begin(), m_users.end(), userId,
                                     [](const Entry& e, std::uint32_t id) { return e.first < id; });
    return it != m_users.end() && it->first == userId ? it->second : UnitList{};
}

void MultiUnitUsers::SetUserUnits(std::uint32_t userId, const UnitList& units)
{
    UnitList kept;
    std::copy_if(units.begin(), units.end(), std::back_inserter(kept), [](std::uint32_t u) { return u != 0; });
    const auto it = find(userId);
    const bool present = it != m_users.end() && it->first == userId;
    if (kept.empty()) {
        if (present) {
            m_users.erase(it);
        }
    } else if (present) {
        it->second = std::move(kept);
    } else {
        m_users.emplace(it, userId, std::move(kept));
    }
}

} // namespace qar
