#pragma once

#include "platform/SafeFile.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qar
{

/// Program directory + "\UserData\config\xmldata\MUser.xml".
std::string MultiUnitUsersPath();

/// The multi-unit user file: the extra (virtual) units the server shows a user under, kept outside the
/// database as user id -> unit ids. Lists never hold unit 0, a user without units has no entry, and user
/// 0 (a "USER" element without a usable id) is kept in memory but never written.
class MultiUnitUsers
{
public:
    using UnitList = std::vector<std::uint32_t>;
    using Entry = std::pair<std::uint32_t, UnitList>;

    /// Empties the map, then reads the file into it; a missing or unparsable file leaves it empty.
    void Load(const std::string& path);
    /// Writes the whole map over the file (users in ascending id order); the cause when it cannot be
    /// written.
    FileWriteResult Save(const std::string& path) const;

    /// A copy of the user's units, empty when it has none.
    UnitList GetUserUnits(std::uint32_t userId) const;
    /// Replaces the user's units (zeros dropped); an empty list removes the user's entry.
    void SetUserUnits(std::uint32_t userId, const UnitList& units);

    /// The users with their units, in ascending user id order.
    const std::vector<Entry>& users() const { return m_users; }

private:
    std::vector<Entry>::iterator find(std::uint32_t userId);

    std::vector<Entry> m_users; ///< sorted by user id, one entry per user
};

/// The "UNITS" text as read: trailing blanks, then trailing "|" dropped, pieces read as decimal numbers,
/// zero and non-numeric pieces left out.
MultiUnitUsers::UnitList ParseUnitsText(std::string_view text);
/// The non-zero units as "3|7|12" (no trailing separator); empty when none is left.
std::string FormatUnitsText(const MultiUnitUsers::UnitList& units);

} // namespace qar
