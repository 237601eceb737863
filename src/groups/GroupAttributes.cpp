#include "groups/GroupAttributes.h"

#include "resources/StringIds.h"

namespace qar
{

const std::array<GroupAttributeBox, kGroupAttributeBoxes>& GroupAttributeBoxes()
{
    // The extension tab, the application tab and the portal tab of the desktop client.
    static const std::array<GroupAttributeBox, kGroupAttributeBoxes> boxes = {{
        {1, str::kGroupAttrExtend, -1},
        {10, str::kGroupAttrExtend + 1, 0},
        {11, str::kGroupAttrExtend + 2, 0},
        {12, str::kGroupAttrExtend + 3, 0},
        {13, str::kGroupAttrExtend + 4, 0},
        {14, str::kGroupAttrExtend + 5, 0},
        {2, str::kGroupAttrExtend + 6, -1},
        {20, str::kGroupAttrExtend + 7, 6},
        {21, str::kGroupAttrExtend + 8, 6},
        {22, str::kGroupAttrExtend + 9, 6},
        {3, str::kGroupAttrExtend + 10, -1},
    }};
    return boxes;
}

namespace
{
std::uint32_t bitOf(int box)
{
    return std::uint32_t{1} << GroupAttributeBoxes()[static_cast<std::size_t>(box)].bit;
}
} // namespace

GroupAttributeForm::GroupAttributeForm(std::uint32_t value) : m_original(value)
{
    for (int box = 0; box < kGroupAttributeBoxes; ++box) {
        m_ticked[static_cast<std::size_t>(box)] = (value & bitOf(box)) != 0;
    }
    for (int box = 0; box < kGroupAttributeBoxes; ++box) {
        const int parent = GroupAttributeBoxes()[static_cast<std::size_t>(box)].parent;
        // A child bit set under a clear parent is shown as it is, but cannot be clicked.
        m_enabled[static_cast<std::size_t>(box)] = parent < 0 || ticked(parent);
    }
}

void GroupAttributeForm::click(int box, bool on)
{
    if (box < 0 || box >= kGroupAttributeBoxes || !enabled(box)) {
        return;
    }
    m_ticked[static_cast<std::size_t>(box)] = on;
    if (GroupAttributeBoxes()[static_cast<std::size_t>(box)].parent < 0) {
        applyParent(box);
    }
}

void GroupAttributeForm::applyParent(int parent)
{
    const bool on = ticked(parent);
    for (int box = 0; box < kGroupAttributeBoxes; ++box) {
        if (GroupAttributeBoxes()[static_cast<std::size_t>(box)].parent == parent) {
            m_ticked[static_cast<std::size_t>(box)] = on;
            m_enabled[static_cast<std::size_t>(box)] = on;
        }
    }
}

std::uint32_t GroupAttributeForm::value() const
{
    std::uint32_t value = m_original;
    for (int box = 0; box < kGroupAttributeBoxes; ++box) {
        value = ticked(box) ? (value | bitOf(box)) : (value & ~bitOf(box));
    }
    return value;
}

} // namespace qar
