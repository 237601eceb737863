#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qar
{

/// Privilege bits of a user's POWER_FLAG and of a role's default privileges.
inline constexpr std::uint32_t kPowerGroupAdministrator = 0x10000; ///< bit 16
inline constexpr std::uint32_t kPowerSmsUnlimited = 0x20000;       ///< bit 17
inline constexpr std::uint32_t kPowerAdministrator = 0x40000;      ///< bit 18: system administrator

/// The check boxes every privilege form shows, three to a row, in this order: "Administrator",
/// "Group Administator", "SMS Unlimited", "SYS 19" ... "SYS 30", then nine "System Reserved" boxes.
inline constexpr int kPrivilegeBoxes = 24;
inline constexpr int kAdministratorBox = 0;
/// Power.dat holds this many names: SYS 19 ... SYS 30, then System Reserved 1 ... 9.
inline constexpr int kPowerNameCount = 21;

/// The bit of box `box` (0 to 23).
int PrivilegeBoxBit(int box);
/// The index of the box's name in Power.dat, -1 for the three boxes with fixed texts.
int PrivilegeBoxNameIndex(int box);
/// Whether box `box` is ticked for a privilege value.
bool PrivilegeBoxTicked(std::uint32_t power, int box);
/// The value rebuilt from the boxes alone: bits 0, 10 to 15 and 31 have no box and come out as 0.
std::uint32_t PowerFromBoxes(const std::array<bool, kPrivilegeBoxes>& ticked);

/// Program directory + "\Power.dat".
std::string PowerDatPath();

/// The names Power.dat gives the configurable boxes. They are used only when "num" is exactly 21.
struct PowerNames
{
    int num = 0;
    std::string defName;            ///< marks a bit without a name of its own
    std::vector<std::string> names; ///< 21 names, "Def_Name" where a key is missing

    bool used() const { return num == kPowerNameCount; }
};
/// Reads section "Names" ("num", "Def_Name", "Name_0" ... "Name_20"); a missing file gives num 0.
PowerNames ReadPowerNames(const std::string& path);

/// How one box is shown: its own name from Power.dat (empty: the built-in text) and whether it can be
/// changed.
struct PrivilegeBoxLook
{
    std::string name;
    bool enabled = true;
};
/// The boxes' names and states: with 21 names each configurable box shows its name and is disabled when
/// that name is exactly "Def_Name"; the "Administrator" box is enabled only when `administratorEditable`
/// (system-manager mode on the user form).
std::array<PrivilegeBoxLook, kPrivilegeBoxes> PrivilegeBoxLooks(const PowerNames& names, bool administratorEditable);

/// String id of the privilege column of the user-account list: 244 "Sys. Admin." for bit 18, else
/// 245 "User Admin." for bit 16, else 246 "Normal ".
int PowerTextId(std::int32_t power);

} // namespace qar
