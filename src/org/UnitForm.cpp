#include "org/UnitForm.h"

#include "resources/StringIds.h"

#include <charconv>
#include <unordered_map>
#include <unordered_set>

namespace qar
{
namespace
{

std::int32_t leadingNumber(std::string_view text)
{
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    std::int32_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

constexpr int kMaxParentSteps = 30;

} // namespace

UnitForm UnitFormOf(const UnitRow& unit, std::int32_t attribute, const std::string& password,
                    std::optional<std::int32_t> weight)
{
    UnitForm form;
    form.department = unit.name;
    form.codeText = std::to_string(unit.id);
    form.weightText = std::to_string(weight.value_or(0));
    form.attribute = attribute;
    form.valided = unit.status;
    form.publicAccount = unit.canLog;
    form.alias = unit.alias;
    form.password = password;
    return form;
}

std::optional<long long> ReadWholeNumber(std::string_view text)
{
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    long long value = 0;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || res.ec != std::errc() || res.ptr != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

int ParentEntryLevel(std::string_view entry)
{
    const std::size_t open = entry.find('(');
    if (open == std::string_view::npos) {
        return 0;
    }
    const std::string_view rest = entry.substr(open + 1);
    return leadingNumber(rest.substr(0, rest.find(')')));
}

std::int32_t ParentEntryId(std::string_view entry)
{
    const std::size_t colon = entry.rfind(':');
    if (colon == std::string_view::npos) {
        return 0;
    }
    const std::string_view rest = entry.substr(colon + 1);
    return leadingNumber(rest.substr(0, rest.find(']')));
}

std::optional<std::int32_t> ParentEntryGroup(std::string_view entry)
{
    const std::size_t open = entry.find('{');
    if (open == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view rest = entry.substr(open + 1);
    const std::size_t close = rest.find('}');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return leadingNumber(rest.substr(0, close));
}

bool UnitAttributeBoxTicked(std::int32_t attribute, int box)
{
    return (static_cast<std::uint32_t>(attribute) & (2u << box)) != 0;
}

std::int32_t UnitAttributeFromBoxes(const bool (&ticked)[kUnitAttributeBoxes])
{
    std::uint32_t value = 0;
    for (int box = 0; box < kUnitAttributeBoxes; ++box) {
        if (ticked[box]) {
            value |= 2u << box;
        }
    }
    return static_cast<std::int32_t>(value);
}

UnitFormModel::UnitFormModel(const UnitFormSetup& setup, std::vector<UnitRow> units,
                             std::span<const std::int32_t> groupIds, const std::string& parentNoneText)
    : m_setup(setup), m_units(std::move(units))
{
    for (std::int32_t id : groupIds) {
        if (id > 0 && m_setup.context.sees(id)) {
            m_groups.push_back({std::to_string(id), id});
        }
    }
    m_parentIndex.reserve(m_units.size());
    for (const UnitRow& u : m_units) {
        m_parentIndex.emplace(u.id, u.superId); // the first row of an id answers, as a scan would
    }
    std::unordered_set<std::int32_t> excluded;
    if (m_setup.editMode) {
        excluded.insert(m_setup.editedCode);
        for (const UnitRow& u : m_units) {
            if (u.id != m_setup.editedCode && descendsFrom(u.id, m_setup.editedCode)) {
                m_descendants.push_back(u.id);
                excluded.insert(u.id);
            }
        }
    }

    m_parents.push_back({parentNoneText, 0});
    const bool parentPassed = m_setup.parentId != 0;
    if (!parentPassed) {
        m_initialGroup = groupIndexOf(m_setup.groupId);
    }
    for (const UnitRow& u : m_units) {
        if (excluded.count(u.id) != 0) {
            continue;
        }
        if (u.id >= m_nextFreeCode && u.id < INT32_MAX) {
            m_nextFreeCode = u.id + 1;
        }
        if (m_setup.context.sees(u.groupId)) {
            m_parents.push_back({"(" + std::to_string(u.treeClass) + ") {" + std::to_string(u.groupId) + "} " + u.name +
                                     " [ID:" + std::to_string(u.id) + "]",
                                 u.id});
        }
        if (parentPassed && u.id == m_setup.parentId) {
            m_initialGroup = groupIndexOf(u.groupId);
        }
    }
    // The unit's own group wins over its parent's, but only when it is listed: a unit whose group is 0 or
    // gone keeps the parent's, so that one OK does not move it and its subtree to the first group.
    if (m_setup.editMode && groupIndexOf(m_setup.groupId) >= 0) {
        m_initialGroup = groupIndexOf(m_setup.groupId);
    }
    m_initialParent = 0;
    if (parentPassed) {
        for (std::size_t i = 1; i < m_parents.size(); ++i) {
            if (ParentEntryId(m_parents[i].text) == m_setup.parentId) {
                m_initialParent = static_cast<int>(i);
                break;
            }
        }
    }
    if (m_initialGroup < 0 && !m_groups.empty()) {
        m_initialGroup = 0;
    }
}

std::int32_t UnitFormModel::parentOf(std::int32_t unit) const
{
    const auto it = m_parentIndex.find(unit);
    return it == m_parentIndex.end() ? -1 : it->second;
}

bool UnitFormModel::descendsFrom(std::int32_t unit, std::int32_t ancestor) const
{
    // The unit's own parent link comes first; then up to 30 more steps, so a unit 31 links below the
    // ancestor still counts as below it.
    std::int32_t current = parentOf(unit);
    if (current == ancestor) {
        return true;
    }
    for (int step = 0; step < kMaxParentSteps && current >= 1; ++step) {
        const std::int32_t next = parentOf(current);
        if (next == ancestor) {
            return true;
        }
        if (next == current) {
            return false; // a unit that is its own parent ends the walk
        }
        current = next;
    }
    return false;
}

int UnitFormModel::groupIndexOf(std::int32_t groupId) const
{
    for (std::size_t i = 0; i < m_groups.size(); ++i) {
        if (m_groups[i].data == groupId) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

UnitForm UnitFormModel::initialForm(UnitForm values) const
{
    UnitForm form = std::move(values);
    form.parentIndex = m_initialParent;
    form.groupIndex = m_initialGroup;
    if (!m_setup.editMode) {
        form.codeText = std::to_string(m_nextFreeCode);
    }
    return form;
}

void UnitFormModel::parentSelectionChanged(UnitForm& form) const
{
    if (form.parentIndex < 0 || form.parentIndex >= static_cast<int>(m_parents.size())) {
        return;
    }
    if (const auto group = ParentEntryGroup(m_parents[static_cast<std::size_t>(form.parentIndex)].text)) {
        form.groupIndex = groupIndexOf(*group);
    }
}

std::variant<FormError, ValidUnit> UnitFormModel::validate(const UnitForm& form) const
{
    const auto code = ReadWholeNumber(form.codeText);
    if (!code) {
        return FormError{kMessageEnterInteger, UnitField::Code, true};
    }
    // A proposal of 0 (no units yet) goes on to the department-id rule below rather than the range.
    if (*code < 0 || *code > 32767) {
        return FormError{kMessageEnterIntegerRange, UnitField::Code, true, 1, 32767};
    }
    // Without a weight column the field is disabled and no weight is written.
    const auto weight = m_setup.weightColumn ? ReadWholeNumber(form.weightText) : std::optional<long long>(0);
    if (!weight) {
        return FormError{kMessageEnterInteger, UnitField::Weight, true};
    }
    if (*weight < 0 || *weight > 65535) {
        return FormError{kMessageEnterIntegerRange, UnitField::Weight, true, 0, 65535};
    }
    if (form.department.empty()) {
        return FormError{str::kInputCantBeNull, UnitField::Department};
    }
    if (*code == 0 || *code > 32000) {
        return FormError{str::kIllegalDepartmentId, UnitField::Code};
    }
    ValidUnit unit;
    unit.code = static_cast<std::int32_t>(*code);
    unit.weight = static_cast<std::int32_t>(*weight);
    if (form.parentIndex >= 0 && form.parentIndex < static_cast<int>(m_parents.size())) {
        const std::string& entry = m_parents[static_cast<std::size_t>(form.parentIndex)].text;
        unit.parentLevel = ParentEntryLevel(entry);
        unit.parentId = ParentEntryId(entry);
    }
    if (form.groupIndex < 0 || form.groupIndex >= static_cast<int>(m_groups.size())) {
        return FormError{str::kGroupNotAssigned, UnitField::Group};
    }
    unit.groupId = leadingNumber(m_groups[static_cast<std::size_t>(form.groupIndex)].text);
    if (!(m_setup.editMode && unit.code == m_setup.editedCode)) {
        for (const UnitRow& u : m_units) {
            if (u.id == unit.code) {
                return FormError{str::kIdMustBeUnique, UnitField::Code, true};
            }
        }
    }
    unit.name = form.department;
    unit.attribute = form.attribute;
    unit.valided = form.valided;
    unit.publicAccount = form.publicAccount;
    unit.alias = form.alias;
    unit.password = form.password;
    return unit;
}

} // namespace qar
