#pragma once

#include <array>
#include <optional>

namespace qar
{

/// The seven pages of the main window, in the order they are created.
enum class PageKind
{
    Applications,
    Roles,
    Websites,
    MessageTypes,
    UnitsAndUsers,
    Groups,
    EnvironmentParameters,
};

inline constexpr std::array<PageKind, 7> kPageCreationOrder = {
    PageKind::Applications,          PageKind::Roles,         PageKind::Websites,
    PageKind::MessageTypes,          PageKind::UnitsAndUsers, PageKind::Groups,
    PageKind::EnvironmentParameters,
};

/// One entry of the side bar.
struct SideBarEntry
{
    int textId;
    int image; ///< index into the large image list
    PageKind page;
    bool systemManagerOnly;
};

/// The side bar in display order. The environment parameters page has no entry: it stays hidden and
/// only serves its values to other pages.
const std::array<SideBarEntry, 6>& SideBarEntries();

/// Index of the side bar entry selected at start: groups for a system manager, units and users otherwise.
int InitialSideBarIndex(bool systemManager);

/// The page a selected side bar entry shows, or none when the entry is not for this administrator.
std::optional<PageKind> PageForEntry(int index, bool systemManager);

/// Pixel rectangle in the main window's client area.
struct Rect
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool operator==(const Rect&) const = default;
};

/// Bottom-row slots, left to right; one slot between Start Service and Help stays empty.
enum class BottomButton
{
    Configuration,
    Option,
    Name,
    StartService,
    Help,
};

/// Where the main window's parts go for a client area of `width` x `height`.
struct MainLayout
{
    Rect sideBar;
    Rect pageArea;               ///< also the rectangle of every page
    std::array<Rect, 5> buttons; ///< indexed by BottomButton
    Rect statusLine;             ///< the full width below the buttons
};

/// Side bar on the left, the page area beside it, the buttons along the bottom, every button the size
/// of the Help button, and below them a status line `statusHeight` high (the rest is laid out as in a
/// client area that much lower).
MainLayout ComputeMainLayout(int width, int height, int buttonWidth, int buttonHeight, int statusHeight = 0);

/// The smallest client area at which every shown bottom button (Configuration to Start Service; Help
/// stays hidden) is whole and the pages keep a usable height.
Rect MinimumMainSize(int buttonWidth, int statusHeight);

} // namespace qar
