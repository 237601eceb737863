#include "app/MainWindowModel.h"

#include "resources/StringIds.h"

namespace qar
{

const std::array<SideBarEntry, 6>& SideBarEntries()
{
    static const std::array<SideBarEntry, 6> entries = {{
        {str::kSideGroups, 3, PageKind::Groups, true},
        {str::kSideRoles, 1, PageKind::Roles, true},
        {str::kSideDeptsUsers, 4, PageKind::UnitsAndUsers, false},
        {str::kSideApplications, 0, PageKind::Applications, true},
        {str::kSideWebsites, 8, PageKind::Websites, true},
        {str::kSideMessageExtend, 2, PageKind::MessageTypes, true},
    }};
    return entries;
}

int InitialSideBarIndex(bool systemManager)
{
    return systemManager ? 0 : 2;
}

std::optional<PageKind> PageForEntry(int index, bool systemManager)
{
    const auto& entries = SideBarEntries();
    if (index < 0 || index >= static_cast<int>(entries.size())) {
        return std::nullopt;
    }
    const SideBarEntry& e = entries[static_cast<std::size_t>(index)];
    if (e.systemManagerOnly && !systemManager) {
        return std::nullopt;
    }
    return e.page;
}

namespace
{
constexpr int kMargin = 8;
constexpr int kTop = 5;
constexpr int kBottomReserve = 36; // room for the button row below the side bar and the pages
constexpr int kButtonTopFromBottom = 28;
constexpr int kButtonGap = 5;
constexpr int kShownButtons = 4;        // Configuration, Option, Name, Start Service
constexpr int kMinimumPageHeight = 320; // the units-and-users page's column of six buttons and its find bar
} // namespace

MainLayout ComputeMainLayout(int width, int height, int buttonWidth, int buttonHeight, int statusHeight)
{
    MainLayout layout;
    layout.statusLine = {0, height - statusHeight, width, statusHeight};
    height -= statusHeight;
    const int bottom = height - kBottomReserve;
    layout.sideBar = {kMargin, kTop, 90, bottom - kTop};
    layout.pageArea = {103, kTop, width - 111, bottom - kTop};

    // Slots: Configuration, Option, Name, Start Service, (empty), Help.
    constexpr std::array<int, 5> kSlot = {0, 1, 2, 3, 5};
    for (std::size_t i = 0; i < kSlot.size(); ++i) {
        const int x = kMargin + kSlot[i] * (buttonWidth + kButtonGap);
        layout.buttons[i] = {x, height - kButtonTopFromBottom, buttonWidth, buttonHeight};
    }
    return layout;
}

Rect MinimumMainSize(int buttonWidth, int statusHeight)
{
    const int width = kMargin + kShownButtons * buttonWidth + (kShownButtons - 1) * kButtonGap + kMargin;
    const int height = kTop + kMinimumPageHeight + kBottomReserve + statusHeight;
    return {0, 0, width, height};
}

} // namespace qar
