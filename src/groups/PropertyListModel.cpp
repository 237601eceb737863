#include "groups/PropertyListModel.h"

#include "resources/StringIds.h"

#include <algorithm>

namespace qar
{

PropertyListModel::PropertyListModel(PropertyDefinitions definitions) : m_defs(std::move(definitions)) {}

const PropertyDefinition* PropertyListModel::definition(int row) const
{
    if (row < 0 || row >= rowCount()) {
        return nullptr;
    }
    const int d = m_defs.rows[static_cast<std::size_t>(row)].definition;
    return d < 0 ? nullptr : &m_defs.definitions[static_cast<std::size_t>(d)];
}

void PropertyListModel::fill(const CGroupData& data)
{
    for (PropertyRow& r : m_defs.rows) {
        if (!r.key.empty()) {
            r.value = data.get(r.key);
        }
    }
}

void PropertyListModel::setValue(int row, const std::string& value)
{
    if (row >= 0 && row < rowCount()) {
        m_defs.rows[static_cast<std::size_t>(row)].value = value;
    }
}

std::optional<PropertyEditStart> PropertyListModel::startEdit(int row)
{
    if (row < 0 || row >= rowCount()) {
        return std::nullopt;
    }
    const PropertyRow& r = m_defs.rows[static_cast<std::size_t>(row)];
    const PropertyDefinition* d = definition(row);
    if (!r.category.empty() || r.label.empty() || d == nullptr) {
        return std::nullopt;
    }
    PropertyEditStart start;
    start.editor = EditorForType(d->type);
    start.value = r.value;
    switch (start.editor) {
    case PropertyEditor::None:
        return std::nullopt;
    case PropertyEditor::Edit:
        start.digitsOnly = d->options.find('N') != std::string::npos;
        break;
    case PropertyEditor::List: {
        const auto it = std::find(d->choices.begin(), d->choices.end(), r.value);
        start.selectedChoice = it == d->choices.end() ? -1 : static_cast<int>(it - d->choices.begin());
        start.choices = &d->choices;
        break;
    }
    case PropertyEditor::Combo:
        start.choices = &d->choices;
        break;
    case PropertyEditor::Date:
        start.date = ParsePropertyDate(r.value);
        break;
    }
    m_editing = row;
    return start;
}

void PropertyListModel::commit(const std::string& text)
{
    setValue(m_editing, text);
    m_editing = -1;
}

PropertyCheck PropertyListModel::check() const
{
    const bool allEmpty =
        std::all_of(m_defs.rows.begin(), m_defs.rows.end(), [](const PropertyRow& r) { return r.value.empty(); });
    if (allEmpty) {
        return {str::kInputContentNull, -1, {}};
    }
    for (int row = 0; row < rowCount(); ++row) {
        const PropertyDefinition* d = definition(row);
        const PropertyRow& r = m_defs.rows[static_cast<std::size_t>(row)];
        if (d != nullptr && d->options.find('M') != std::string::npos && r.value.empty()) {
            return {str::kGroupPropMandatoryFormat, row, r.label};
        }
    }
    return {};
}

void PropertyListModel::storeInto(CGroupData& data) const
{
    for (const PropertyRow& r : m_defs.rows) {
        if (!r.key.empty()) {
            data.set(r.key, r.value);
        }
    }
}

void PropertyListModel::clearValues()
{
    for (PropertyRow& r : m_defs.rows) {
        r.value.clear();
    }
}

} // namespace qar
