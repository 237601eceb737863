#pragma once

#include <cstdint>
#include <vector>

namespace qar
{

/// What one command of the units-and-users page wrote, for the main window's status line.
struct OrgChangeReport
{
    enum class Action : std::uint8_t
    {
        None,
        UnitAdded,
        UnitSaved,
        UnitDeleted,
        UserDeleted,
        UserAdded,
        UserSaved,
    };

    Action action = Action::None;
    std::int32_t id = 0;    ///< the unit or user (a unit's new code when it changed)
    std::int32_t oldId = 0; ///< a unit's code or a user's id before it changed; 0 when it kept it
    bool written = false;   ///< the unit's or user's own row was written (deleted)
    bool failed = false;    ///< a database error ended the command; what is counted was written
    bool gone = false;      ///< the row had already been deleted by another program
    int subUnitsMoved = 0;  ///< sub-units given a new level or group with their unit
    int childUnitsRepointed = 0;
    int usersRepointed = 0;
    int usersRegrouped = 0;
    std::int32_t group = 0; ///< the group the users moved to
};

/// One part of the status line: a string id and the numbers its "%d"s take, in order.
struct StatusPart
{
    int messageId = 0;
    std::vector<std::int32_t> values;

    bool operator==(const StatusPart&) const = default;
};

/// The parts telling what `report` says, the unit or user first, then what moved with it, then whether
/// the command stopped half-way; none for Action::None.
std::vector<StatusPart> DescribeChange(const OrgChangeReport& report);

} // namespace qar
