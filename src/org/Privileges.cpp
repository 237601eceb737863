#include "org/Privileges.h"

#include "platform/Paths.h"
#include "resources/StringIds.h"
#include "settings/CProfileFile.h"

namespace qar
{

namespace
{
constexpr int kFixedBoxes = 3; // Administrator, Group Administator, SMS Unlimited
constexpr int kSysBoxes = 12;  // SYS 19 ... SYS 30
constexpr int kFixedBits[kFixedBoxes] = {18, 16, 17};
} // namespace

int PrivilegeBoxBit(int box)
{
    if (box < kFixedBoxes) {
        return kFixedBits[box];
    }
    if (box < kFixedBoxes + kSysBoxes) {
        return 19 + (box - kFixedBoxes);
    }
    return 1 + (box - kFixedBoxes - kSysBoxes);
}

int PrivilegeBoxNameIndex(int box)
{
    return box < kFixedBoxes ? -1 : box - kFixedBoxes;
}

bool PrivilegeBoxTicked(std::uint32_t power, int box)
{
    return (power >> PrivilegeBoxBit(box) & 1u) != 0;
}

std::uint32_t PowerFromBoxes(const std::array<bool, kPrivilegeBoxes>& ticked)
{
    std::uint32_t power = 0;
    for (int box = 0; box < kPrivilegeBoxes; ++box) {
        if (ticked[static_cast<std::size_t>(box)]) {
            power |= 1u << PrivilegeBoxBit(box);
        }
    }
    return power;
}

std::string PowerDatPath()
{
    return ProgramPath("\\Power.dat");
}

PowerNames ReadPowerNames(const std::string& path)
{
    CProfileFile file(path, "Names");
    PowerNames names;
    names.num = file.GetInt("num", 0);
    names.defName = file.GetString("Def_Name");
    file.ExchangeStringArray(Exchange::Read, names.names, kPowerNameCount, "Name", {}, names.defName);
    names.names.resize(kPowerNameCount, names.defName);
    return names;
}

std::array<PrivilegeBoxLook, kPrivilegeBoxes> PrivilegeBoxLooks(const PowerNames& names, bool administratorEditable)
{
    std::array<PrivilegeBoxLook, kPrivilegeBoxes> looks{};
    if (names.used()) {
        for (int box = 0; box < kPrivilegeBoxes; ++box) {
            const int index = PrivilegeBoxNameIndex(box);
            if (index >= 0) {
                PrivilegeBoxLook& look = looks[static_cast<std::size_t>(box)];
                look.name = names.names[static_cast<std::size_t>(index)];
                look.enabled = look.name != names.defName;
            }
        }
    }
    looks[kAdministratorBox].enabled = administratorEditable;
    return looks;
}

int PowerTextId(std::int32_t power)
{
    const auto bits = static_cast<std::uint32_t>(power);
    if ((bits & kPowerAdministrator) != 0) {
        return str::kPowerSysAdmin;
    }
    return (bits & kPowerGroupAdministrator) != 0 ? str::kPowerUserAdmin : str::kPowerNormal;
}

} // namespace qar
