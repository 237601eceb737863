#pragma once

#include <array>
#include <cstdint>

namespace qar
{

/// Number of check boxes of the group attributes form.
inline constexpr int kGroupAttributeBoxes = 11;

/// One box of the group attributes form: the bit of GROUP_POWER it sets, its text and the box whose
/// children it belongs to (-1 for a box of the first level).
struct GroupAttributeBox
{
    int bit;
    int textId;
    int parent;
};

/// The boxes in the order the form shows them: "Extend Functions Options" and its five children, "EA
/// Options" and its three children, "Portal Option".
const std::array<GroupAttributeBox, kGroupAttributeBoxes>& GroupAttributeBoxes();

/// GROUP_POWER of a new group: bits 1, 2, 3 and 11 to 19.
inline constexpr std::uint32_t kNewGroupAttributes = 1046542;

/// What the boxes of the group attributes form show: which are ticked and which can be clicked. Bits
/// without a box travel through unchanged.
class GroupAttributeForm
{
public:
    /// The form as it opens on `value`: a box ticked for each bit set; children of a clear parent are
    /// disabled (a set child bit stays ticked).
    explicit GroupAttributeForm(std::uint32_t value);

    bool ticked(int box) const { return m_ticked[static_cast<std::size_t>(box)]; }
    bool enabled(int box) const { return m_enabled[static_cast<std::size_t>(box)]; }

    /// The administrator set a box to `on`. A parent ticked enables and ticks all its children; cleared,
    /// it clears and disables them.
    void click(int box, bool on);

    /// The value of OK: the bits of the eleven boxes as ticked, every other bit as it came in.
    std::uint32_t value() const;

private:
    void applyParent(int parent);

    std::uint32_t m_original;
    std::array<bool, kGroupAttributeBoxes> m_ticked{};
    std::array<bool, kGroupAttributeBoxes> m_enabled{};
};

} // namespace qar
