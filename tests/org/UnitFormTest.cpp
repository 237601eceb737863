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

TEST(UnitFormModel, DescendantWalkStopsOnCyclesSelfParentsAndDepth)
{
    std::vector<UnitRow> units = {unit(1, 0, 1), unit(2, 1, 2), unit(3, 3, 1), unit(4, 5, 1), unit(5, 4, 1)};
    for (std::int32_t id = 10; id < 50; ++id) {
        units.push_back(unit(id, id == 10 ? 1 : id - 1, 2)); // a chain of 40 below unit 1
    }
    const auto m = model({}, units);
    EXPECT_TRUE(m.descendsFrom(2, 1));
    EXPECT_FALSE(m.descendsFrom(1, 2));
    EXPECT_FALSE(m.descendsFrom(3, 7));  // its own parent
    EXPECT_FALSE(m.descendsFrom(4, 9));  // a cycle of two
    EXPECT_TRUE(m.descendsFrom(4, 4));   // the cycle reaches the unit itself
    EXPECT_FALSE(m.descendsFrom(99, 1)); // not in the list
    EXPECT_TRUE(m.descendsFrom(39, 1));  // 30 links up
    EXPECT_FALSE(m.descendsFrom(49, 1)); // too deep
}

TEST(UnitFormModel, AddModeProposesOneAboveTheHighestCodeOfAnyGroup)
{
    const auto m = model({.context = {false, 1}, .parentId = 105},
                         {unit(100, 0, 1), unit(105, 100, 2, 2), unit(3000, 0, 1, 3), unit(101, 0, 1)});
    const UnitForm form = m.initialForm();
    EXPECT_EQ(form.codeText, "3001");
    EXPECT_TRUE(form.valided);
    EXPECT_EQ(form.parentIndex, 0); // the parent's group is hidden: no entry, "(0) (None)"
    EXPECT_EQ(model({}, {}).initialForm().codeText, "0");
}

// The passed parent and its group are selected; choosing another parent moves the group along in edit
// mode only.
TEST(UnitFormModel, GroupFollowsTheChosenParentInEditModeOnly)
{
    const std::vector<UnitRow> units = {unit(100, 0, 1, 2), unit(105, 100, 2, 3, "Sales: east")};
    for (const bool editMode : {false, true}) {
        SCOPED_TRACE(editMode);
        const auto m = model({.context = {},
                              .editMode = editMode,
                              .parentId = editMode ? 0 : 105,
                              .groupId = editMode ? 3 : 0,
                              .editedCode = 300},
                             units);
        UnitForm form = m.initialForm();
        EXPECT_EQ(m.parentEntries()[static_cast<std::size_t>(form.parentIndex)].text,
                  editMode ? "(0) (None)" : "(2) {3} Sales: east [ID:105]");
        EXPECT_EQ(m.groupEntries()[static_cast<std::size_t>(form.groupIndex)].data, 3);
        form.parentIndex = 1; // (1) {2} d [ID:100]
        m.parentSelectionChanged(form);
        EXPECT_EQ(m.groupEntries()[static_cast<std::size_t>(form.groupIndex)].data, editMode ? 2 : 3);
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
        } else {
            ASSERT_TRUE(std::holds_alternative<FormError>(result));
            EXPECT_EQ(std::get<FormError>(result).messageId, c.messageId);
            EXPECT_EQ(std::get<FormError>(result).field, c.field);
        }
    }
}

TEST(UnitFormModel, ReadsLevelAndParentFromTheChosenEntry)
{
    EXPECT_EQ(ParentEntryLevel("(2) {1} Sales: east [ID:105]"), 2);
    EXPECT_EQ(ParentEntryId("(2) {1} Sales: east [ID:105]"), 105);
    EXPECT_EQ(ParentEntryGroup("(2) {1} Sales [ID:105]"), 1);
    EXPECT_EQ(ParentEntryLevel("(0) (None)"), 0);
    EXPECT_EQ(ParentEntryId("(0) (None)"), 0);
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
