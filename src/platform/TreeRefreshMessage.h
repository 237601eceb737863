#pragma once

#include <cstdint>

namespace qar
{

/// The X11 client message the import tool sends the window it was started from after an import, so
/// the units-and-users tree is built anew: type atom kTreeRefreshAtom, format 32, data[0] =
/// kTreeRefreshUnitsAndUsers. Any top-level window of the tool may receive it.
inline constexpr const char* kTreeRefreshAtom = "QAR_REFRESH_TREE";
inline constexpr std::uint32_t kTreeRefreshUnitsAndUsers = 1;

/// Sends the message to `window` on the display (`displayName` null means $DISPLAY). False when there
/// is no display or no such window: the sender then simply goes on.
bool SendTreeRefresh(std::uint32_t window, const char* displayName = nullptr);

} // namespace qar
