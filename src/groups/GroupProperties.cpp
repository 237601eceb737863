#include "groups/GroupProperties.h"

#include "platform/Paths.h"
#include "xml/CXMarkupFile.h"

#include <charconv>

namespace qar
{

std::string PropertyDefinitionPath()
{
    return ProgramPath("\\UserData\\setting\\PropDef.dat");
}

PropertyDefinitions LoadPropertyDefinitions(const std::string& path)
{
    PropertyDefinitions out;
    CXMarkupFile file;
    if (!file.LoadFile(path) || !file.FindElement("PRM_CONFIG") || !file.EnterElement()) {
        return out;
    }
    while (file.FindElement("INFO")) {
        out.rows.push_back({file.GetAttributeForSystem("CATALOG"), {}, {}, {}, -1});
        file.EnterElement();
        while (file.FindElement("ITEM")) {
            PropertyDefinition d;
            d.label = file.GetTextForSystem();
            d.options = file.GetAttributeForSystem("PROP");
            d.incl = file.GetAttributeForSystem("INCL");
            const std::string name = file.GetAttributeForSystem("NAME");
            d.type = file.GetAttributeForSystem("TYPE");
            d.key = file.GetAttributeForSystem("VAR");
            if (d.label.empty()) {
                d.label = name;
            }
            if (d.type.empty()) {
                d.type = "E";
            }
            if (d.type.find_first_of("LC") != std::string::npos) {
                file.EnterElement();
                while (file.FindElement("SUBITEM")) {
                    d.choices.push_back(file.GetTextForSystem());
                }
                file.LeaveElement();
            }
            out.rows.push_back({{}, d.label, {}, d.key, static_cast<int>(out.definitions.size())});
            out.definitions.push_back(std::move(d));
        }
        file.LeaveElement();
    }
    return out;
}

PropertyEditor EditorForType(std::string_view type)
{
    // Tested in this order, the first letter found deciding: "LE" is an edit box, "DC" a combo box.
    constexpr std::pair<char, PropertyEditor> order[] = {
        {'E', PropertyEditor::Edit},  {'R', PropertyEditor::None}, {'L', PropertyEditor::List},
        {'C', PropertyEditor::Combo}, {'D', PropertyEditor::Date},
    };
    for (const auto& [letter, editor] : order) {
        if (type.find(letter) != std::string_view::npos) {
            return editor;
        }
    }
    return PropertyEditor::None;
}

namespace
{
/// An integer at the start of `text` as atoi reads it (blanks, sign, digits); 0 without digits.
int leadingInt(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    int value = 0;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), value);
    return res.ec == std::errc() ? value : 0;
}
} // namespace

std::optional<PropertyDate> ParsePropertyDate(std::string_view text)
{
    const std::size_t first = text.find('-');
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    const std::size_t second = text.find('-', first + 1);
    if (second == std::string_view::npos) {
        return std::nullopt;
    }
    const PropertyDate d{leadingInt(text.substr(0, first)), leadingInt(text.substr(first + 1, second - first - 1)),
                         leadingInt(text.substr(second + 1))};
    if (d.year <= 0 || d.month < 1 || d.month > 12 || d.day < 1 || d.day > 31) {
        return std::nullopt;
    }
    return d;
}

std::string FormatPropertyDate(const PropertyDate& date)
{
    return std::to_string(date.year) + "-" + std::to_string(date.month) + "-" + std::to_string(date.day);
}

std::string CGroupData::FilePath(std::int32_t group)
{
    if (group == 0) {
        return {};
    }
    return ProgramPath("\\UserData\\data\\UGrps_Data\\Groupx_" + std::to_string(group) + ".xml");
}

bool CGroupData::load(std::int32_t group)
{
    m_group = group;
    const std::string path = FilePath(group);
    if (path.empty() || !FileExists(path)) {
        return false;
    }
    m_values.clear();
    CXMarkupFile file;
    if (!file.LoadFile(path) || !file.FindElement("QAR_GROUPX") || !file.EnterElement()) {
        return false;
    }
    while (file.FindElement("DAT")) {
        std::string key = file.GetAttributeForSystem("VAR");
        if (!key.empty()) {
            m_values[std::move(key)] = file.GetTextForSystem();
        }
    }
    return !m_values.empty();
}

std::string CGroupData::get(const std::string& key) const
{
    const auto it = m_values.find(key);
    return it == m_values.end() ? std::string() : it->second;
}

GroupDataSave CGroupData::save() const
{
    const std::string path = FilePath(m_group);
    if (path.empty()) {
        return GroupDataSave::NothingToWrite;
    }
    CXMarkupFile file;
    file.AddElement("QAR_GROUPX");
    for (const auto& [key, value] : m_values) {
        if (key.empty()) {
            continue;
        }
        file.AddChildElement("DAT", value);
        file.EnterElement();
        file.SetAttribute("VAR", key);
        file.LeaveElement();
    }
    return file.SaveFile(path) ? GroupDataSave::Written : GroupDataSave::Failed;
}

} // namespace qar
