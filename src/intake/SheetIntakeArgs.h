#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qar
{

/// What the main tool asks of the import tool, read from the one argument it passes:
/// "-bysys-h<window>-unit<units file>-user<users file>" after a first-run set-up,
/// "-bysys-h<window>-grps<group>|<group>|...-dgrp<selected group>" from the units-and-users page and
/// "-bysys-h<window>-grps<group>|-dgrp<group>" from the group editor.
struct SheetIntakeArgs
{
    std::uint64_t window = 0; ///< the window to ask for a refresh after an import; 0 for none
    std::string unitsFile;    ///< the first-run hand-off files
    std::string usersFile;
    std::vector<std::int32_t> groups; ///< the groups offered
    std::int32_t selectedGroup = 0;   ///< 0: none selected

    bool handOff() const { return !unitsFile.empty(); }
};

/// Reads the command line (the arguments joined by blanks). Nullopt when it is not one of the three
/// forms; the program then says how to use it. A path may itself hold "-user": the units file ends at
/// the first "-user" before which an existing file's path stands (`exists`), else at the last one.
std::optional<SheetIntakeArgs> ParseSheetIntakeArgs(std::string_view commandLine,
                                                    const std::function<bool(const std::string&)>& exists);

} // namespace qar
