#pragma once

#include "org/UnitForm.h"
#include "xml/MultiUnitUsers.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace qar
{

/// "%s [%d]": a unit's name (empty when the unit table lacks it), a blank and its bracketed id.
std::string VirtualUnitText(const std::string& name, std::uint32_t unitId);

/// The logic of "Set Virtual Units" and "Add virtual unit" for one user: the user's units from MUser.xml
/// as a list kept sorted by its text, the units that can be added, and the write on OK.
class VirtualUnitsModel
{
public:
    /// `unitNames`: every unit of the unit table, id to name.
    VirtualUnitsModel(std::uint32_t userId, std::unordered_map<std::uint32_t, std::string> unitNames);

    /// Reads the file (a missing or unparsable one holds no user) and lists the user's units.
    void load(const std::string& path);
    /// The list box's lines, sorted by their text; item data the unit id.
    const std::vector<ComboEntry>& entries() const { return m_entries; }
    /// "Add virtual unit": every unit of the unit table, sorted by text.
    std::vector<ComboEntry> unitChoices() const;

    /// Adds a unit: 260 when it is listed already (nothing changes), else 0.
    int add(std::uint32_t unitId);
    void remove(std::size_t index);

    /// OK: the user's units become the listed ones in display order (none: the user's entry goes) and the
    /// whole file is written, other users as read at opening. A list the administrator left as it was is
    /// not written. The cause when the file could not be written.
    FileWriteResult save(const std::string& path);

private:
    std::vector<std::uint32_t> listedUnits() const;

    std::uint32_t m_userId;
    std::unordered_map<std::uint32_t, std::string> m_names;
    MultiUnitUsers m_file;
    std::vector<ComboEntry> m_entries;
    std::vector<std::uint32_t> m_loaded;
};

/// Orders list texts as a sorted list box does: ASCII letters without regard to case, other bytes as
/// they are.
bool ListTextBefore(const std::string& a, const std::string& b);

} // namespace qar
