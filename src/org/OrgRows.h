#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qar
{

/// Administration context of the main window: a system manager sees every group, a group manager only
/// the current group's units and users.
struct AdminContext
{
    bool systemManager = true;
    std::int32_t currentGroup = 0;

    bool sees(std::int32_t groupId) const { return systemManager || groupId == currentGroup; }
};

/// The unit columns the tree and the unit form work with.
struct UnitRow
{
    std::int32_t id = 0;
    std::string name;
    std::int32_t superId = 0;
    std::uint8_t treeClass = 0;
    bool status = false;
    bool canLog = false;
    std::string alias;
    std::int32_t groupId = 0;

    bool operator==(const UnitRow&) const = default;
};

/// The user columns a tree build reads, viewed in the record object's fields.
struct UserRowView
{
    std::int32_t id = 0;
    std::string_view name;
    std::int32_t powerFlag = 0;
    std::string_view email;
    std::string_view mobile;
    std::string_view duty;
    std::int32_t unit = 0;
    std::uint8_t status = 0;
    std::int32_t group = 0;
};

} // namespace qar
