#include "catalog/Roles.h"

#include "TempDir.h"
#include "resources/StringIds.h"

#include <gtest/gtest.h>

using namespace qar;
using test::readFile;
using test::TempDir;
using test::writeFile;

namespace
{

std::vector<std::int32_t> idsOf(const RoleList& list)
{
    std::vector<std::int32_t> ids;
    for (const RoleRow& r : list.rows()) {
        ids.push_back(r.id);
    }
    return ids;
}

} // namespace

TEST(RoleList, KeepsRolesInTheOrderOfTheirIdTextAndOffersTheFreeIds)
{
    TempDir dir;
    const std::string path = writeFile(
        dir.file("role.xml"), "<?xml version=\"1.0\"?>\n<QAR_ROLE>\n<R ID=\"9\" N=\"Nine\" SMS=\"255\" P=\"-1\"/>\n"
                              "<R ID=\"10\" N=\"Ten\"/>\n<R ID=\"0\"/>\n<R ID=\"1\"/><R ID=\"3\"/><R/>\n"
                              "<R ID=\"150\" N=\"out of range\"/></QAR_ROLE>");
    RoleList list;
    list.load(path);
    EXPECT_EQ(idsOf(list), (std::vector<std::int32_t>{0, 0, 1, 10, 150, 3, 9}));
    EXPECT_EQ(list.rows().back(), (RoleRow{9, "Nine", 255, -1}));
    const std::vector<std::int32_t> free = list.freeIds();
    ASSERT_EQ(free.size(), 95u);
    EXPECT_EQ(free.front(), 2);
    EXPECT_EQ(free[1], 4);
    EXPECT_EQ(free.back(), 99);

    EXPECT_EQ(list.insert({2, "Two", 5, 0x20000}), 5u); // "150" < "2" < "3"
    // The position an insert reports holds the new row, also when the list had to grow for it.
    RoleList grown;
    for (std::int32_t id = 99; id >= 0; --id) {
        const std::size_t at = grown.insert({id, "r", 0, 0});
        ASSERT_LT(at, grown.rows().size());
        EXPECT_EQ(grown.rows()[at].id, id);
    }
    list.update(5, {77, "Deux", 6, 0});
    EXPECT_EQ(list.rows()[5], (RoleRow{2, "Deux", 6, 0}));
    list.remove(0);
    list.remove(0);
    ASSERT_TRUE(SaveRoleFile(path, list.rows()));
    EXPECT_EQ(readFile(path),
              "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\r\n<QAR_ROLE>\r\r\n"
              "<R ID=\"1\" N=\"\" SMS=\"0\" P=\"0\"/>\r\r\n<R ID=\"10\" N=\"Ten\" SMS=\"0\" P=\"0\"/>\r\r\n"
              "<R ID=\"150\" N=\"out of range\" SMS=\"0\" P=\"0\"/>\r\r\n"
              "<R ID=\"2\" N=\"Deux\" SMS=\"6\" P=\"0\"/>\r\r\n<R ID=\"3\" N=\"\" SMS=\"0\" P=\"0\"/>\r\r\n"
              "<R ID=\"9\" N=\"Nine\" SMS=\"255\" P=\"-1\"/>\r\r\n</QAR_ROLE>\r\r\n");
}

TEST(RoleList, AFullListOffersNoIdAndAnUnreadableFileNone)
{
    TempDir dir;
    std::string roles;
    for (int id = 0; id < 100; ++id) {
        roles += "<R ID=\"" + std::to_string(id) + "\"/>";
    }
    RoleList list;
    list.load(writeFile(dir.file("full.xml"), "<QAR_ROLE>" + roles + "</QAR_ROLE>"));
    EXPECT_TRUE(list.freeIds().empty());
    const RoleFormModel editor(list.freeIds());
    RoleRow valid;
    EXPECT_EQ(editor.validate(editor.initialForm({0, "Name", 1, 0}), valid).messageId, str::kInvalidId);

    bool loaded = true;
    EXPECT_TRUE(LoadRoleFile(writeFile(dir.file("bad.xml"), std::string(1 << 20, '>')), &loaded).empty());
    EXPECT_FALSE(loaded);
    EXPECT_TRUE(LoadRoleFile(dir.file("missing.xml"), &loaded).empty());
    EXPECT_FALSE(loaded);
}

TEST(RoleFormModel, ChecksTheFieldsInOrder)
{
    const RoleFormModel editor({2, 4, 5});
    const struct
    {
        RoleForm form;
        int message;
        RoleField field;
    } cases[] = {
        {{0, "", "", 0}, str::kInputCantBeNull, RoleField::Name},
        {{0, "Clerk", "", 0}, str::kInputCantBeNull, RoleField::Sms},
        {{-1, "Clerk", "3", 0}, str::kInvalidId, RoleField::Id},
        {{0, "Clerk", "256", 0}, str::kEnterIntegerRange, RoleField::Sms},
        {{0, "Clerk", "99999999999999999999", 0}, str::kEnterIntegerRange, RoleField::Sms},
        {{2, "Clerk", "255", 7}, 0, RoleField::None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.form.name + "/" + c.form.smsText);
        RoleRow valid;
        const RoleFormError error = editor.validate(c.form, valid);
        EXPECT_EQ(error.messageId, c.message);
        EXPECT_EQ(error.field, c.field);
        if (c.message == 0) {
            EXPECT_EQ(valid, (RoleRow{5, "Clerk", 255, 7}));
        }
    }
    EXPECT_EQ(editor.initialForm({}).idIndex, 0); // the lowest free id is preselected
}
