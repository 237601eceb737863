#include "org/VirtualUnits.h"

#include "resources/StringIds.h"

#include <algorithm>

namespace qar
{

std::string VirtualUnitText(const std::string& name, std::uint32_t unitId)
{
    return name + " [" + std::to_string(static_cast<std::int32_t>(unitId)) + "]";
}

bool ListTextBefore(const std::string& a, const std::string& b)
{
    const auto fold = [](char c) {
        return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
    };
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [&](char x, char y) { return fold(x) < fold(y); });
}

namespace
{
void insertSorted(std::vector<ComboEntry>& list, ComboEntry entry)
{
    const auto at = std::upper_bound(list.begin(), list.end(), entry, [](const ComboEntry& x, const ComboEntry& y) {
        return ListTextBefore(x.text, y.text);
    });
    list.insert(at, std::move(entry));
}
} // namespace

VirtualUnitsModel::VirtualUnitsModel(std::uint32_t userId, std::unordered_map<std::uint32_t, std::string> unitNames)
    : m_userId(userId), m_names(std::move(unitNames))
{}

void VirtualUnitsModel::load(const std::string& path)
{
    m_file.Load(path);
    m_entries.clear();
    for (std::uint32_t unit : m_file.GetUserUnits(m_userId)) {
        const auto name = m_names.find(unit);
        insertSorted(m_entries, {VirtualUnitText(name != m_names.end() ? name->second : std::string(), unit),
                                 static_cast<std::int32_t>(unit)});
    }
    m_loaded = listedUnits();
}

std::vector<ComboEntry> VirtualUnitsModel::unitChoices() const
{
    std::vector<ComboEntry> choices;
    choices.reserve(m_names.size());
    for (const auto& [id, name] : m_names) {
        choices.push_back({VirtualUnitText(name, id), static_cast<std::int32_t>(id)});
    }
    std::sort(choices.begin(), choices.end(), [](const ComboEntry& x, const ComboEntry& y) {
        return ListTextBefore(x.text, y.text) || (!ListTextBefore(y.text, x.text) && x.data < y.data);
    });
    return choices;
}

int VirtualUnitsModel::add(std::uint32_t unitId)
{
    const auto id = static_cast<std::int32_t>(unitId);
    if (std::any_of(m_entries.begin(), m_entries.end(), [id](const ComboEntry& e) { return e.data == id; })) {
        return str::kItemExists;
    }
    const auto name = m_names.find(unitId);
    insertSorted(m_entries, {VirtualUnitText(name != m_names.end() ? name->second : std::string(), unitId), id});
    return 0;
}

void VirtualUnitsModel::remove(std::size_t index)
{
    if (index < m_entries.size()) {
        m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(index));
    }
}

std::vector<std::uint32_t> VirtualUnitsModel::listedUnits() const
{
    std::vector<std::uint32_t> units;
    for (const ComboEntry& e : m_entries) {
        units.push_back(static_cast<std::uint32_t>(e.data));
    }
    return units;
}

FileWriteResult VirtualUnitsModel::save(const std::string& path)
{
    const std::vector<std::uint32_t> units = listedUnits();
    if (units == m_loaded) {
        return {};
    }
    m_file.SetUserUnits(m_userId, units);
    const FileWriteResult written = m_file.Save(path);
    if (written) {
        m_loaded = units;
    }
    return written;
}

} // namespace qar
