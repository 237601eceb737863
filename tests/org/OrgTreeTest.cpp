#include "OrgDbTest.h"
#include "org/CUnitUserModel.h"
#include "org/OrgFind.h"
#include "org/OrgPlace.h"
#include "org/OrgTreeBuilder.h"
#include "platform/Locale.h"
#include "resources/StringIds.h"
#include "xml/Encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qar
{
namespace
{

struct UserRow
{
    std::int32_t id;
    std::int32_t unit;
    std::int32_t group = 1;
    std::int32_t powerFlag = 0;
    std::string name = "u";
    std::uint8_t status = 1;
    std::string email = {};
    std::string mobile = {};
    std::string duty = {};
};

/// A tree built from rows, its node texts listed depth first with one blank of indent per level.
struct Built
{
    OrgTree tree;
    OrgIndex index;
    OrgTexts texts;

    void build(const std::vector<std::pair<std::int32_t, std::string>>& groups, const std::vector<UnitRow>& units,
               const std::vector<UserRow>& users, AdminContext context = {})
    {
        OrgTreeBuilder b(tree, index, texts, context);
        b.start();
        for (const auto& [id, name] : groups) {
            b.addGroup(id, name);
        }
        b.addUnits(units);
        b.startUsers();
        for (const UserRow& u : users) {
            b.addUser({u.id, u.name, u.powerFlag, u.email, u.mobile, u.duty, u.unit, u.status, u.group});
        }
    }
    /// "U11" style: the kind letter and item data of one node, "-" for none.
    std::string name(OrgTree::NodeId n) const
    {
        return n == OrgTree::kNone ? "-" : "?GUu"[static_cast<int>(tree.kind(n))] + std::to_string(tree.itemData(n));
    }
    OrgTree::NodeId user(std::int32_t id) const { return test::findUserNode(tree, id); }
    /// "G1 U10 U11 u100" style: kind letter and item data of every node in depth-first order.
    std::string shape() const
    {
        std::string out;
        for (OrgTree::NodeId n = tree.firstChild(OrgTree::kRoot); n != OrgTree::kNone;
             n = tree.nextInSubtree(n, OrgTree::kRoot)) {
            int depth = 0;
            for (OrgTree::NodeId p = tree.parent(n); p != OrgTree::kRoot; p = tree.parent(p)) {
                ++depth;
            }
            out += (out.empty() ? "" : " ") + std::string(static_cast<std::size_t>(depth), '.') + name(n);
        }
        return out;
    }
};

/// Unit `id`, named "d<id>" unless given a name.
UnitRow unit(std::int32_t id, std::int32_t superId, std::uint8_t level, std::int32_t group = 1, std::string name = {})
{
    return UnitRow{id, name.empty() ? "d" + std::to_string(id) : name, superId, level, true, false, {}, group};
}

const std::vector<std::pair<std::int32_t, std::string>> kGroups = {{1, "One"}, {2, "Two"}};

TEST(OrgTreeBuilder, ShowsOnlyUnitsReachableThroughShownParents)
{
    struct Case
    {
        const char* name;
        std::vector<UnitRow> units;
        const char* shape;
    };
    const Case cases[] = {
        {"levels in table order under each parent",
         {unit(12, 10, 2), unit(10, 0, 1), unit(11, 0, 1), unit(13, 10, 2)},
         "G1 .U10 ..U12 ..U13 .U11 G2"},
        {"level 0 never shown", {unit(10, 0, 0), unit(11, 10, 1)}, "G1 G2"},
        {"own parent", {unit(10, 10, 1), unit(11, 11, 2)}, "G1 G2"},
        {"cycle", {unit(10, 11, 2), unit(11, 10, 2), unit(12, 0, 1)}, "G1 .U12 G2"},
        {"missing parent and its subtree", {unit(10, 99, 2), unit(11, 10, 3), unit(12, 0, 1)}, "G1 .U12 G2"},
        {"top unit of a group without a node", {unit(10, 0, 1, 7), unit(11, 10, 2, 7)}, "G1 G2"},
        {"level contradicting the parent", {unit(10, 0, 3), unit(11, 10, 2), unit(12, 10, 4)}, "G1 .U10 ..U12 G2"},
        {"same level parent earlier in table order",
         {unit(10, 0, 1), unit(11, 10, 1), unit(12, 13, 1), unit(13, 0, 1)},
         "G1 .U10 ..U11 .U13 G2"},
        {"a repeated id: both shown, children under the later one",
         {unit(10, 0, 1), unit(10, 0, 1), unit(11, 10, 2)},
         "G1 .U10 .U10 ..U11 G2"},
        {"negative and huge ids",
         {unit(-5, 0, 1), unit(INT32_MAX, -5, 2), unit(INT32_MIN, INT32_MAX, 255)},
         "G1 .U-5 ..U2147483647 ...U-2147483648 G2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Built b;
        b.build(kGroups, c.units, {});
        EXPECT_EQ(b.shape(), c.shape);
    }
}

TEST(OrgTreeBuilder, CountsAndListsOnlyListedUsers)
{
    Built b;
    std::vector<UserRow> users = {
        {10001, 10, 1, 0, "a", 1, "a@x", "139", "boss"},
        {20000, 99, 1, 0, "lost", 1, "lost@x", "1", "d"}, // unit without a node
        {10003, 10, 5, 0x10000, "b", 2, "", "138", ""},
        {-4, 10, 1, 0x40000, "c", 9},
    };
    b.build(kGroups, {unit(10, 0, 1)}, users);
    EXPECT_EQ(b.shape(), "G1 .U10 ..u10001 ..u10003 ..u-4 G2");
    EXPECT_EQ(b.index.groupUserCount.at(1), 2);
    EXPECT_EQ(b.index.groupUserCount.at(5), 1);
    EXPECT_EQ(b.index.nextUserId, 20001);
    EXPECT_EQ(b.index.emails, std::vector<std::string>{"a@x"});
    EXPECT_EQ(b.index.mobiles, (std::vector<std::string>{"139", "138"}));
    EXPECT_EQ(b.index.duties, std::vector<std::string>{"boss"});
    const OrgTree::NodeId u10 = b.index.unitNodes.at(10);
    const OrgTree::NodeId first = b.tree.firstChild(u10);
    EXPECT_EQ(b.tree.text(first), "User:a [ID:10001]  [Status]1 In service");
    EXPECT_EQ(b.tree.image(first), kImageUser);
    EXPECT_EQ(b.tree.image(b.tree.nextSibling(first)), kImageAdminUser);
    EXPECT_EQ(b.tree.text(b.tree.nextSibling(b.tree.nextSibling(first))), "User:c [ID:-4]  ");

    // The next user id only grows over rebuilds, and the largest id does not wrap it.
    b.build(kGroups, {unit(10, 0, 1)}, {{10001, 10}});
    EXPECT_EQ(b.index.nextUserId, 20001);
    b.build(kGroups, {unit(10, 0, 1)}, {{INT32_MAX, 10}});
    EXPECT_EQ(b.index.nextUserId, INT32_MAX);
}

TEST(OrgTreeBuilder, NodeTextsKeepLongQuotedAndChineseNames)
{
    Built b;
    const std::string longName = std::string(200, 'x') + "\"'<&>" + std::string(50, 'y');
    const std::string chinese = "\xE7\xA0\x94\xE5\x8F\x91\xE9\x83\xA8"; // 研发部 in UTF-8
    UnitRow u = unit(10, 0, 1);
    u.name = chinese;
    u.alias = "@rd";
    u.canLog = true;
    b.build({{1, longName}}, {u}, {});
    EXPECT_EQ(b.tree.text(b.index.groupNodes.at(1)), "Group:" + longName + " [ID:1]");
    EXPECT_EQ(b.tree.text(b.index.unitNodes.at(10)),
              "Unit:" + chinese + " [ID:10]  [Status]Enabled [Public Account]Have [Alias]@rd");
    u.status = false;
    u.canLog = false;
    u.alias.clear();
    b.build({{1, longName}}, {u}, {});
    EXPECT_EQ(b.tree.text(b.index.unitNodes.at(10)),
              "Unit:" + chinese + " [ID:10]  [Status]Disabled [Public Account]None [Alias](Null)");
}

TEST(OrgTree, ReadsIdsFindsGroupsCollectsUsersAndRemovesSubtrees)
{
    EXPECT_EQ(ReadIdFromText("Unit:a [ID:105]  x"), 105);
    EXPECT_EQ(ReadIdFromText("group:a [id:-3]"), -3);
    EXPECT_EQ(ReadIdFromText("no marker"), 0);
    Built b;
    b.build({{1, "One"}, {12, "Twelve"}, {2, "Two"}}, {unit(10, 0, 1), unit(11, 10, 2), unit(12, 0, 1)},
            {{10001, 11}, {10002, 10}, {10003, 12}});
    EXPECT_EQ(FindGroupNode(b.tree, 2), b.index.groupNodes.at(2)); // not the "[ID:12]" node
    EXPECT_EQ(FindGroupNode(b.tree, 7), OrgTree::kRoot);
    std::vector<std::int32_t> ids;
    CollectUserIds(b.tree, b.index.unitNodes.at(10), ids);
    EXPECT_EQ(ids, (std::vector<std::int32_t>{10001, 10002}));
    const std::size_t before = b.tree.size();
    b.tree.remove(b.index.unitNodes.at(10));
    EXPECT_EQ(b.tree.size(), before - 4);
    EXPECT_EQ(b.shape(), "G1 .U12 ..u10003 G12 G2");
}

struct NullEffects : IOrgEffects
{
    void setUnitsChanged() override {}
    void setUsersChanged() override {}
    void setGroupsChanged() override {}
    void updateServiceButtons() override {}
    void logChange(const std::string&, const std::string&, std::int32_t, std::uint8_t) override {}
};

/// A page model without record objects whose tree is filled by hand.
struct PageFixture
{
    NullEffects effects;
    CUnitUserModel model{OrgTables{}, effects};
    OrgTree::NodeId g1, g2, sales, ann;

    PageFixture()
    {
        OrgTree& t = model.tree();
        g1 = t.insertLast(OrgTree::kRoot, "Group:One [ID:1]", 1, kImageGroup);
        sales = t.insertLast(g1, "Unit:Sales [ID:105]  x", 105, kImageUnit);
        ann = t.insertLast(sales, "User:Ann [ID:10001]  ", 10001, kImageUser);
        g2 = t.insertLast(OrgTree::kRoot, "Group:Two [ID:2]", 2, kImageGroup);
        t.insertLast(g2, "Unit:Sales [ID:205]  x", 205, kImageUnit);
    }
};

TEST(CUnitUserModel, SearchesTheSelectedSubtreeOnly)
{
    NullEffects none;
    CUnitUserModel empty(OrgTables{}, none);
    EXPECT_EQ(empty.searchStartNode(), OrgTree::kNone); // an empty tree shows no search form
    PageFixture f;
    EXPECT_EQ(f.model.search("Unit:").select, f.sales); // from the first group when nothing is selected
    EXPECT_EQ(f.model.search("[ID:10001]").select, f.ann);
    EXPECT_EQ(f.model.search("Group:One").scrollToTop, f.g1);
    EXPECT_EQ(f.model.search("").message.messageId, 216);
    const SearchOutcome notFound = f.model.search("[ID:205]"); // a sibling of the start is not searched
    EXPECT_EQ(notFound.message.messageId, 217);
    EXPECT_EQ(notFound.message.arg, "[ID:205]");
    f.model.select(f.g2);
    EXPECT_EQ(f.model.search("Sales").select, f.model.tree().firstChild(f.g2));
}

TEST(CUnitUserModel, SheetIntakeListsGroupsAndTheSelectedOne)
{
    PageFixture f;
    EXPECT_EQ(f.model.sheetIntake(77).parameters, "-bysys-h77-grps1|2|-dgrp0");
    f.model.select(f.g2);
    EXPECT_EQ(f.model.sheetIntake(77).parameters, "-bysys-h77-grps1|2|-dgrp2");
    f.model.setAdminContext({false, 2});
    EXPECT_EQ(f.model.sheetIntake(77).message.messageId, 212);
    EXPECT_EQ(f.model.editTarget().first.messageId, 162); // no unit table
}

// A rebuild from other rows keeps the open nodes and the selection, or the nearest node left: next
// sibling, else previous sibling, else the parent, and above that the same for each ancestor.
TEST(OrgPlace, ARebuildKeepsOpenNodesAndTheSelectionOrItsNearestNeighbour)
{
    const std::vector<UnitRow> units = {unit(10, 0, 1), unit(11, 10, 2), unit(12, 10, 2), unit(20, 0, 1, 2)};
    const std::vector<UserRow> users = {{100, 11}, {101, 11}, {102, 11}};
    struct Case
    {
        const char* name;
        std::vector<UnitRow> units;
        std::vector<UserRow> users;
        const char* selected;
        const char* open; ///< a node without children stays closed
    };
    const Case cases[] = {
        {"kept", units, users, "u101", "G1 U10 U11 "},
        {"gone: its next sibling", units, {{100, 11}, {102, 11}}, "u102", "G1 U10 U11 "},
        {"gone and last: its previous sibling", units, {{100, 11}}, "u100", "G1 U10 U11 "},
        {"no sibling left: its parent", units, {}, "U11", "G1 U10 "},
        {"parent gone: the parent's next sibling", {unit(10, 0, 1), unit(12, 10, 2)}, {}, "U12", "G1 U10 "},
        {"moved: at its new place", {unit(10, 0, 1), unit(20, 0, 1, 2), unit(11, 20, 2, 2)}, users, "u101", "G1 U11 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Built b;
        b.build(kGroups, units, users);
        for (std::int32_t open : {10, 11}) {
            b.tree.setExpanded(b.index.unitNodes.at(open), true);
        }
        b.tree.setExpanded(b.index.groupNodes.at(1), true);
        const OrgPlace place = CapturePlace(b.tree, b.user(101));
        b.build(kGroups, c.units, c.users);
        EXPECT_EQ(b.name(RestorePlace(b.tree, place)), c.selected);
        std::string open;
        for (OrgTree::NodeId n = b.tree.firstChild(OrgTree::kRoot); n != OrgTree::kNone;
             n = b.tree.nextInSubtree(n, OrgTree::kRoot)) {
            open += b.tree.isExpanded(n) ? b.name(n) + " " : "";
        }
        EXPECT_EQ(open, c.open);
    }
}

TEST(OrgPlace, ARemovedNodeHandsTheSelectionToItsNeighbour)
{
    Built b;
    b.build(kGroups, {unit(10, 0, 1), unit(11, 10, 2)}, {{100, 10}, {101, 10}, {102, 11}});
    EXPECT_EQ(b.shape(), "G1 .U10 ..U11 ...u102 ..u100 ..u101 G2");
    EXPECT_EQ(b.name(NearestNeighbour(b.tree, b.user(100))), "u101");
    EXPECT_EQ(b.name(NearestNeighbour(b.tree, b.user(101))), "u100");
    EXPECT_EQ(b.name(NearestNeighbour(b.tree, b.user(102))), "U11");
    EXPECT_EQ(b.name(NearestNeighbour(b.tree, b.index.unitNodes.at(10))), "G1");
    b.build({{1, "One"}}, {}, {});
    EXPECT_EQ(NearestNeighbour(b.tree, b.index.groupNodes.at(1)), OrgTree::kNone);
}

// Names are bytes of the system's code page: the find bar matches them alike on a UTF-8, a GBK and a Big5
// system, letters of either case and full-width letters and digits as their ASCII forms.
TEST(OrgFindIndex, MatchesNamesAndIdsIgnoringCaseAndWidthInEveryCodePage)
{
    for (const int lcid : {1033, 2052, 1028}) {
        SCOPED_TRACE(lcid);
        const test::ScopedLcid scope(lcid);
        const CodePage cp = GetAnsiCodePage();
        const auto local = [cp](const char* utf8) { return FromUtf8(utf8, cp); };
        const std::string broken = lcid == 1033 ? "\xE7\xA0" : "\xB0"; // a character cut short, before the next name
        Built b;
        b.build({{1, "Head Office"}},
                {unit(10, 0, 1, 1, local("研究部")), unit(11, 10, 2, 1, local("ＡＢＣ Lab")),
                 unit(12, 10, 2, 1, broken), unit(13, 10, 2)},
                {{10001, 11, 1, 0, "Zhang Wei"},
                 {10002, 11, 1, 0, local("ｚｈａｎｇ San")},
                 {10003, 10, 1, 0, local("王芳")},
                 {10004, 12, 1, 0, "bob"}});

        OrgFindIndex index;
        const std::pair<const char*, std::size_t> cases[] = {
            {"zhang", 2}, {"ＺＨＡＮＧ", 2}, {"  zhang ", 2}, {"abc l", 1}, {"研究", 1}, {"王", 1},     {"1000", 4},
            {"13", 1},    {"bob", 1},        {"[ID:", 0},     {"Unit:", 0}, {"", 0},     {"Status", 0}, {"head off", 1},
        };
        for (const auto& [query, count] : cases) {
            SCOPED_TRACE(query);
            const FindResult found = index.find(b.tree, local(query), OrgTree::kNone, FindStep::AtOrAfter);
            EXPECT_EQ(found.count, count);
            EXPECT_EQ(found.ordinal, count == 0 ? 0u : 1u);
        }
        EXPECT_EQ(b.name(index.find(b.tree, local("王"), OrgTree::kNone, FindStep::AtOrAfter).node), "u10003");
    }
}

TEST(OrgFindIndex, StepsRoundTheWholeTreeFromTheSelectedNode)
{
    Built b;
    b.build(kGroups, {unit(10, 0, 1), unit(20, 0, 1, 2)},
            {{1, 10, 1, 0, "anna"}, {2, 10, 1, 0, "bob"}, {3, 10, 1, 0, "anita"}, {4, 20, 1, 0, "alan"}});
    OrgFindIndex index;
    const struct
    {
        std::int32_t from; // 0: nothing selected
        FindStep step;
        const char* node;
        std::size_t ordinal;
    } cases[] = {
        {0, FindStep::AtOrAfter, "u1", 1}, {2, FindStep::AtOrAfter, "u3", 2}, {3, FindStep::AtOrAfter, "u3", 2},
        {3, FindStep::After, "u4", 3},     {4, FindStep::After, "u1", 1},     {1, FindStep::Before, "u4", 3},
        {3, FindStep::Before, "u1", 1},    {0, FindStep::Before, "u4", 3},    {0, FindStep::After, "u1", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + " " + std::to_string(static_cast<int>(c.step)));
        const FindResult found = index.find(b.tree, "an", c.from == 0 ? OrgTree::kNone : b.user(c.from), c.step);
        EXPECT_EQ(found.count, 3u);
        EXPECT_EQ(b.name(found.node), c.node);
        EXPECT_EQ(found.ordinal, c.ordinal);
    }
    // A change of the tree is seen at the next keystroke.
    b.tree.remove(b.user(3));
    EXPECT_EQ(index.find(b.tree, "an", OrgTree::kNone, FindStep::AtOrAfter).count, 2u);
    EXPECT_EQ(index.size(), b.tree.size());
}

// The unit or user first, as written, found gone or failed; then what moved with it, a count of one in
// the singular; then whether the command stopped half-way. What a code change re-pointed is counted in the
// page model's database test.
TEST(OrgChangeReport, TellsWhatWasWrittenAndWhatMovedWithIt)
{
    using A = OrgChangeReport::Action;
    const std::pair<OrgChangeReport, std::vector<StatusPart>> cases[] = {
        {{}, {}},
        {{.action = A::UserSaved, .id = 10005, .oldId = 10001, .written = true},
         {{str::kStatusUserSavedAs, {10001, 10005}}}},
        {{.action = A::UnitSaved,
          .id = 109,
          .written = true,
          .failed = true,
          .subUnitsMoved = 1,
          .usersRegrouped = 5,
          .group = 2},
         {{str::kStatusUnitSaved, {109}},
          {str::kStatusSubUnitMoved, {1}},
          {str::kStatusUsersRegrouped, {5, 2}},
          {str::kStatusIncomplete, {}}}},
        {{.action = A::UnitSaved, .id = 150, .oldId = 109, .written = true}, {{str::kStatusUnitSavedAs, {109, 150}}}},
        {{.action = A::UnitSaved, .id = 7}, {{str::kStatusUnitNothingToSave, {7}}}},
        {{.action = A::UnitSaved, .id = 7, .failed = true}, {{str::kStatusUnitNotSaved, {7}}}},
        {{.action = A::UnitSaved, .id = 7, .gone = true}, {{str::kStatusUnitAlreadyDeleted, {7}}}},
        {{.action = A::UnitAdded, .id = 7}, {{str::kStatusUnitNotAdded, {7}}}},
        {{.action = A::UnitDeleted, .id = 7, .written = true}, {{str::kStatusUnitDeleted, {7}}}},
        {{.action = A::UserDeleted, .id = 7, .gone = true}, {{str::kStatusUserAlreadyDeleted, {7}}}},
        {{.action = A::UserDeleted, .id = 7, .failed = true}, {{str::kStatusUserNotDeleted, {7}}}},
        {{.action = A::UserAdded, .id = 7, .written = true}, {{str::kStatusUserAdded, {7}}}},
        {{.action = A::UserSaved, .id = 7, .written = true}, {{str::kStatusUserSaved, {7}}}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(DescribeChange(cases[i].first), cases[i].second) << "case " << i;
    }
}

} // namespace
} // namespace qar
