#include "app/MainWindowModel.h"

#include "resources/StringTable.h"

#include <gtest/gtest.h>

using namespace qar;

TEST(MainWindowModel, SideBarEntriesKeepTheirOrderImagesAndAudience)
{
    struct Expected
    {
        const char* text;
        int image;
        PageKind page;
        bool everyone;
    };
    const Expected expected[] = {
        {"Groups", 3, PageKind::Groups, false},
        {"Roles", 1, PageKind::Roles, false},
        {"Depts & Users", 4, PageKind::UnitsAndUsers, true},
        {"Applications", 0, PageKind::Applications, false},
        {"Websites", 8, PageKind::Websites, false},
        {"Message Extend", 2, PageKind::MessageTypes, false},
    };
    const auto& entries = SideBarEntries();
    ASSERT_EQ(entries.size(), std::size(expected));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(expected[i].text);
        EXPECT_EQ(StringUtf8(entries[i].textId, UiLanguage::English), expected[i].text);
        EXPECT_EQ(entries[i].image, expected[i].image);
        EXPECT_EQ(PageForEntry(static_cast<int>(i), true), expected[i].page);
        EXPECT_EQ(PageForEntry(static_cast<int>(i), false).has_value(), expected[i].everyone);
    }
    EXPECT_FALSE(PageForEntry(-1, true));
    EXPECT_FALSE(PageForEntry(6, true));
    EXPECT_EQ(InitialSideBarIndex(true), 0);
    EXPECT_EQ(InitialSideBarIndex(false), 2);
}

TEST(MainWindowModel, LayoutPlacesSideBarPagesAndTheButtonRow)
{
    const MainLayout l = ComputeMainLayout(800, 500, 90, 25);
    EXPECT_EQ(l.sideBar, (Rect{8, 5, 90, 459}));
    EXPECT_EQ(l.pageArea, (Rect{103, 5, 689, 459}));
    EXPECT_EQ(l.buttons[0], (Rect{8, 472, 90, 25}));
    EXPECT_EQ(l.buttons[3], (Rect{8 + 3 * 95, 472, 90, 25}));
    // One slot stays empty before Help.
    EXPECT_EQ(l.buttons[4], (Rect{8 + 5 * 95, 472, 90, 25}));
}
