#include "org/UnitForm.h"

#include <gtest/gtest.h>

#include <variant>

namespace qar
{
namespace
{

UnitRow unit(std::int32_t id, std::int32_t superId, std::uint8_t level, std::int32_t group = 1, std::string name = "d")
{
    return UnitRow{id, std::move(name), superId, level, true, false, {}, group};
}

const std::vector<std::int32_t> kGroupIds = {0, 1, 2, 3};

UnitFormModel model(UnitFormSetup setup, std::vector<UnitRow> units)
{
    return UnitFormModel(setup, std::move(units), kGroupIds, "(0) (None)");
}

std::vector<std::string> texts(const std::vector<ComboEntry>& entries)
{
    std::vector<std::string> out;
    for (const ComboEntry& e : entries) {
        out.push_back(e.text);
    }
    return out;
}

TEST(UnitFormModel, ParentListLeavesOutTheEditedSubtreeAndHiddenGroups)
{
    const auto m =
        model({.context = {false, 1}, .editMode = true, .groupId = 1, .editedCode = 100},
              {unit(100, 0, 1), unit(105, 100, 2, 1, "Sales"), unit(106, 105, 3), unit(200, 0, 1, 2), unit(107, 0, 1)});
    EXPECT_EQ(m.descendants(), (std::vector<std::int32_t>{105, 106}));
    EXPECT_EQ(texts(m.parentEntries()), (std::vector<std::string>{"(0) (None)", "(1) {1} d [ID:107]"}));
    EXPECT_EQ(texts(m.groupEntries()), std::vector<std::string>{"1"}); // group 0 never, group 2 hidden
}

// The walk up from a unit stops at a unit that is its own parent and in a cycle. Unit k below unit k-1 for
// k = 2..34: unit 32 lies 31 links below unit 1 and still counts, unit 33 (32 links) does not. So unit 1
// cannot be put under unit 32, and editing unit 3 leaves 4..34 out of the parent list and the code proposal.
TEST(UnitFormModel, DescendantWalkStopsOnCyclesSelfParentsAndAfterThirtyOneLinks)
{
    const auto m = model({}, {unit(1, 0, 1), unit(2, 1, 2), unit(3, 3, 1), unit(4, 5, 1), unit(5, 4, 1)});
    EXPECT_TRUE(m.descendsFrom(2, 1));
    EXPECT_FALSE(m.descendsFrom(1, 2));
    EXPECT_FALSE(m.descendsFrom(3, 7));  // its own parent
    EXPECT_FALSE(m.descendsFrom(4, 9));  // a cycle of two
    EXPECT_TRUE(m.descendsFrom(4, 4));   // the cycle reaches the unit itself
    EXPECT_FALSE(m.descendsFrom(99, 1)); // not in the list

    std::vector<UnitRow> chain;
    for (std::int32_t id = 1; id <= 34; ++id) {
        chain.push_back(unit(id, id - 1, static_cast<std::uint8_t>(id)));
    }
    const auto edit1 = model({.context = {}, .editMode = true, .groupId = 1, .editedCode = 1}, chain);
    EXPECT_EQ(edit1.descendants().size(), 31u);
    EXPECT_EQ(edit1.descendants().back(), 32);
    const auto edit3 = model({.context = {}, .editMode = true, .parentId = 2, .groupId = 1, .editedCode = 3}, chain);
    EXPECT_EQ(edit3.parentEntries().size(), 3u);
    EXPECT_EQ(edit3.nextFreeCode(), 3);
}

// A unit whose own group is not listed (0, or a group that is gone) keeps its parent's group: the first
// group would move it and its subtree there on OK.
TEST(UnitFormModel, EditModeKeepsTheParentsGroupWhenTheUnitsOwnIsNotListed)
{
    for (const std::int32_t own : {0, 9}) {
        SCOPED_TRACE(own);
        const auto m = model({.context = {}, .editMode = true, .parentId = 100, .groupId = own, .editedCode = 105},
                             {unit(100, 0, 1, 2), unit(105, 100, 2, own)});
        EXPECT_EQ(m.groupEntries()[static_cast<std::size_t>(m.initialForm().groupIndex)].data, 2);
    }
}

TEST(UnitFormModel, ChecksRunInOrderAndStopAtTheFirstFailure)
{
    const auto m =
        model({.context = {}, .editMode = true, .groupId = 1, .editedCode = 150}, {unit(100, 0, 1), unit(150, 0, 1)});
    struct Case
    {
        const char* department;
        const char* code;
        const char* weight;
        int groupIndex;
        int messageId;
        UnitField field;
    };
    const Case cases[] = {
        {"", "abc", "0", -1, kMessageEnterInteger, UnitField::Code},
        {"", "40000", "0", -1, kMessageEnterIntegerRange, UnitField::Code},
        {"", "-1", "0", -1, kMessageEnterIntegerRange, UnitField::Code},
        {"", "5", "70000", -1, kMessageEnterIntegerRange, UnitField::Weight},
        {"", "0", "0", -1, 161, UnitField::Department},
        {"A", "0", "0", -1, 221, UnitField::Code},
        {"A", "32001", "0", -1, 221, UnitField::Code},
        {"A", "32767", "0", -1, 221, UnitField::Code},
        {"A", "32000", "0", -1, 204, UnitField::Group},
        {"A", "100", "0", 0, 165, UnitField::Code},
        {"A", "150", "0", 0, 0, UnitField::None}, // its own stored code
        {"A", "7", "65535", 0, 0, UnitField::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.department) + "/" + c.code + "/" + c.weight);
        UnitForm form = m.initialForm();
        form.department = c.department;
        form.codeText = c.code;
        form.weightText = c.weight;
        form.groupIndex = c.groupIndex;
        const auto result = m.validate(form);
        if (c.messageId == 0) {
            ASSERT_TRUE(std::holds_alternative<ValidUnit>(result));
            EXPECT_EQ(std::get<ValidUnit>(result).groupId, 1);
            EXPECT_EQ(std::get<ValidUnit>(result).parentId, 0); // "(0) (None)"
        } else {
            ASSERT_TRUE(std::holds_alternative<FormError>(result));
            EXPECT_EQ(std::get<FormError>(result).messageId, c.messageId);
            EXPECT_EQ(std::get<FormError>(result).field, c.field);
        }
    }
}

// "[The same with parent's]": a unit added under a parent of another group takes that group; level, code
// and group are read from the chosen entry, whatever the parent's name holds. Without a weight column the
// weight field is not read at all.
TEST(UnitFormModel, AnAddedUnitTakesItsParentsGroupAndNoWeightWithoutItsColumn)
{
    const auto m = model({.context = {}, .groupId = 1, .weightColumn = false},
                         {unit(100, 0, 1), unit(200, 100, 2, 2, "Sales: east {3} [ID:7]")});
    UnitForm form = m.initialForm();
    EXPECT_EQ(m.groupEntries()[static_cast<std::size_t>(form.groupIndex)].data, 1);
    form.parentIndex = 2; // (2) {2} Sales: east {3} [ID:7] [ID:200]
    m.parentSelectionChanged(form);
    form.department = "A";
    form.weightText = "not a number";
    const auto result = m.validate(form);
    ASSERT_TRUE(std::holds_alternative<ValidUnit>(result));
    EXPECT_EQ(std::get<ValidUnit>(result).groupId, 2);
    EXPECT_EQ(std::get<ValidUnit>(result).parentId, 200);
    EXPECT_EQ(std::get<ValidUnit>(result).parentLevel, 2);
    EXPECT_EQ(std::get<ValidUnit>(result).weight, 0);
}

TEST(UnitAttributes, RebuiltFromTheBoxesAlone)
{
    const bool none[kUnitAttributeBoxes] = {};
    EXPECT_EQ(UnitAttributeFromBoxes(none), 0);
    const bool some[kUnitAttributeBoxes] = {true, false, false, false, false, true, false};
    EXPECT_EQ(UnitAttributeFromBoxes(some), 0x42);
    EXPECT_TRUE(UnitAttributeBoxTicked(0x101 | 0x40, 5));
    EXPECT_FALSE(UnitAttributeBoxTicked(0x101, 0));
}

} // namespace
} // namespace qar
