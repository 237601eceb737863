#include "catalog/AppCatalog.h"

#include "TempDir.h"
#include "resources/StringIds.h"

#include <gtest/gtest.h>

namespace qar
{
namespace
{

TEST(NormalizeApp, KeepsOnlyTheLoginDataOfAPasswordedKind)
{
    struct Case
    {
        const char* name;
        std::int32_t type;
        std::int32_t storedType;
        bool keepsBs;
        bool keepsCs;
    };
    const Case cases[] = {
        {"automatic", 0, 0, false, false},
        {"browser/server without password", 1, 0, false, false},
        {"browser/server with password", 5, 5, true, false},
        {"browser/server with system e-mail", 13, 13, true, false},
        {"client/server with password", 7, 7, false, true},
        {"client/server with unitive account", 23, 23, false, true},
        {"password without a login type", 4, 0, false, false},
        {"client/server without password", 3, 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppEntry e{5, "n", "u", 1, c.type, "bs", "cs", 1, 2, 3};
        NormalizeApp(e);
        EXPECT_EQ(e.type, c.storedType);
        EXPECT_EQ(e.bsLogin, c.keepsBs ? "bs" : "");
        EXPECT_EQ(e.csTitle, c.keepsCs ? "cs" : "");
        EXPECT_EQ(e.csId1 + e.csId2 + e.csId3, c.keepsCs ? 6 : 0);
    }
}

// The boxes are written as three letters (password, e-mail, unitive), the enabled controls as five
// (those three, the B-S login, the C-S title); '-' for a box cleared or a control disabled.
TEST(AppFormRules, EnableAndClearAsTheTypeAndBoxesSay)
{
    struct Case
    {
        const char* name;
        AppKind kind;
        std::string boxes;
        std::optional<AppBox> clicked;
        std::string expectBoxes, expectEnabled;
    };
    using K = AppKind;
    const Case cases[] = {
        {"automatic clears the password", K::Auto, "peu", {}, "---", "-----"},
        {"no type is automatic", K::None, "p--", {}, "---", "-----"},
        {"browser/server without password", K::BrowserServer, "-eu", {}, "---", "p----"},
        {"browser/server with password", K::BrowserServer, "p--", {}, "p--", "peub-"},
        {"client/server with password", K::ClientServer, "p--", {}, "p--", "peu-c"},
        {"ticking e-mail clears unitive", K::ClientServer, "peu", AppBox::SystemEmail, "pe-", "peu-c"},
        {"ticking unitive clears e-mail", K::BrowserServer, "peu", AppBox::Unitive, "p-u", "peub-"},
        {"clearing the password clears both", K::BrowserServer, "-eu", AppBox::NeedPassword, "---", "p----"},
    };
    const auto letters = [](std::initializer_list<bool> on) {
        std::string s;
        for (const bool b : on) {
            s += b ? "peubc"[s.size()] : '-';
        }
        return s;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppForm f;
        f.kind = c.kind;
        f.needPassword = c.boxes[0] != '-';
        f.systemEmail = c.boxes[1] != '-';
        f.unitive = c.boxes[2] != '-';
        const AppControls on = c.clicked ? AppBoxClicked(f, *c.clicked) : ApplyAppRules(f);
        EXPECT_EQ(letters({f.needPassword, f.systemEmail, f.unitive}), c.expectBoxes);
        EXPECT_EQ(letters({on.needPassword, on.systemEmail, on.unitive, on.bsLogin, on.csTitle}), c.expectEnabled);
    }
}

TEST(AppFormModel, ChecksInTheirOrder)
{
    const AppFormModel adding(AppFormSetup{true, 9, {9, 3}, {{0, {}}, {1, {}}, {2, {}}}});
    AppForm valid = adding.initialForm({});
    valid.name = "Mail";
    valid.location = "http://mail";
    valid.groupIndex = 2;
    valid.kind = AppKind::BrowserServer;
    ASSERT_EQ(valid.idText, "10");

    struct Case
    {
        const char* name;
        std::function<void(AppForm&)> change;
        int messageId; // 0: accepted
        AppField field;
    };
    const Case cases[] = {
        {"a used ID comes first", [](AppForm& f) { f.idText = "3", f.name.clear(); }, str::kApplicationIdExists,
         AppField::Id},
        {"empty name", [](AppForm& f) { f.name.clear(), f.location.clear(); }, str::kInputCantBeNull, AppField::Name},
        {"empty location", [](AppForm& f) { f.location.clear(); }, str::kInputCantBeNull, AppField::Location},
        {"web address as client/server", [](AppForm& f) { f.location = "HtTp://x", f.kind = AppKind::ClientServer; },
         str::kApplicationTypeWrong, AppField::None},
        {"program as browser/server", [](AppForm& f) { f.location = "C:\\A\\ERP.EXE"; }, str::kApplicationTypeWrong,
         AppField::None},
        {"an .exe at the first character", [](AppForm& f) { f.location = ".exe/a.exe"; }, 0, AppField::None},
        {"automatic takes any location", [](AppForm& f) { f.location = "a.exe", f.kind = AppKind::Auto; }, 0,
         AppField::None},
        {"no group", [](AppForm& f) { f.groupIndex = -1; }, str::kGroupMustBeAssigned, AppField::Group},
        {"client/server password needs a title",
         [](AppForm& f) { f.location = "erp.exe", f.kind = AppKind::ClientServer, f.needPassword = true; },
         str::kInputCantBeNull, AppField::CsTitle},
        {"browser/server password needs an interface", [](AppForm& f) { f.needPassword = true; }, str::kInputCantBeNull,
         AppField::BsLogin},
        {"ID 0", [](AppForm& f) { f.idText = "0"; }, str::kEnterIntegerRange, AppField::Id},
        {"ID 65000", [](AppForm& f) { f.idText = "65000"; }, 0, AppField::None},
        {"ID 65001", [](AppForm& f) { f.idText = "65001"; }, str::kEnterIntegerRange, AppField::Id},
        {"ID beyond any integer", [](AppForm& f) { f.idText = "99999999999"; }, str::kEnterInteger, AppField::Id},
        {"empty logging ID", [](AppForm& f) { f.csId2Text.clear(); }, str::kEnterInteger, AppField::CsId2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppForm f = valid;
        c.change(f);
        const auto result = adding.validate(f);
        if (c.messageId == 0) {
            EXPECT_TRUE(std::holds_alternative<AppEntry>(result));
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<CatalogFormError<AppField>>(result));
        EXPECT_EQ(std::get<0>(result).messageId, c.messageId);
        EXPECT_EQ(std::get<0>(result).field, c.field);
    }

    valid.kind = AppKind::ClientServer;
    valid.location = "erp.exe";
    valid.needPassword = valid.systemEmail = true;
    valid.csTitle = "Login";
    const AppEntry e = std::get<AppEntry>(adding.validate(valid));
    EXPECT_EQ(e, (AppEntry{10, "Mail", "erp.exe", 2, 15, "", "Login", 0, 0, 0}));
}

TEST(AppFormModel, OpensOnTheEntryOrOnTheProposal)
{
    EXPECT_EQ(AppFormModel(AppFormSetup{true, 0, {}, {{0, {}}}}).initialForm({}).idText, "1");
    const AppFormModel editing(AppFormSetup{false, 40, {}, {{0, {}}, {4, "Sales"}, {7, {}}}});
    const AppForm f = editing.initialForm(AppEntry{12, "n", "u", 7, 21, "bs", "", 0, 0, 5});
    EXPECT_EQ(f.idText, "12");
    EXPECT_EQ(f.groupIndex, 2);
    EXPECT_EQ(f.kind, AppKind::BrowserServer);
    EXPECT_TRUE(f.needPassword && f.unitive && !f.systemEmail);
    EXPECT_EQ(f.csId3Text, "5");
    // A stored browser/server entry without password is automatic the next time.
    EXPECT_EQ(editing.initialForm(AppEntry{12, "n", "u", 9, 0}).kind, AppKind::Auto);
    EXPECT_EQ(editing.initialForm(AppEntry{12, "n", "u", 9, 0}).groupIndex, -1);
}

TEST(CAppCatalog, WritesTheFileInTextOrderAndReadsItBack)
{
    test::TempDir dir;
    const std::string path = dir.file("apps.xml");
    CAppCatalog apps(path);
    EXPECT_FALSE(apps.load()); // no file yet: an empty list, and the first save creates it
    ASSERT_TRUE(apps.add(AppEntry{9, "Nine", "http://9", 0, 5, "a&b", "", 0, 0, 0}));
    ASSERT_TRUE(apps.add(AppEntry{2, "T\xC3\xA9l\xC3\xA9", "tel.exe", 1, 7, "", "Sign \"in\"", 1, -2, 3}));
    ASSERT_EQ(apps.add(AppEntry{10, "Ten", "http://10", 3, 0}), 0U);
    EXPECT_EQ(test::readFile(path),
              "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\r\n<QAR_APPS>\r\r\n"
              "<A ID=\"10\" N=\"Ten\" URL=\"http://10\" G=\"3\" T=\"0\" BS_LOG=\"\" CS_TITLE=\"\" CS_D1=\"0\" "
              "CS_D2=\"0\" CS_D3=\"0\"/>\r\r\n"
              "<A ID=\"2\" N=\"T\xC3\xA9l\xC3\xA9\" URL=\"tel.exe\" G=\"1\" T=\"7\" BS_LOG=\"\" "
              "CS_TITLE=\"Sign &quot;in&quot;\" CS_D1=\"1\" CS_D2=\"-2\" CS_D3=\"3\"/>\r\r\n"
              "<A ID=\"9\" N=\"Nine\" URL=\"http://9\" G=\"0\" T=\"5\" BS_LOG=\"a&amp;b\" CS_TITLE=\"\" CS_D1=\"0\" "
              "CS_D2=\"0\" CS_D3=\"0\"/>\r\r\n</QAR_APPS>\r\r\n");

    CAppCatalog again(path);
    ASSERT_TRUE(again.load());
    EXPECT_EQ(again.rows(), apps.rows());
    EXPECT_EQ(again.largestId(), 10);
    ASSERT_TRUE(again.remove(0));
    EXPECT_EQ(again.largestId(), 10); // the proposal never goes back to an ID once read
    EXPECT_EQ(again.usedIds(), (std::vector<std::int32_t>{2, 9}));

    // Read again from a shorter file: nothing of the entries read before stays, and what the file
    // lacks reads as empty and 0.
    test::writeFile(path, "<QAR_APPS><A ID=\"4\" N=\"x &lt; y\" CS_D2=\" 7x\"/></QAR_APPS>");
    ASSERT_TRUE(again.load());
    EXPECT_EQ(again.rows(), (std::vector<AppEntry>{AppEntry{4, "x < y", "", 0, 0, "", "", 0, 7, 0}}));
}

TEST(CAppCatalog, AFailedSaveChangesNothing)
{
    test::TempDir dir;
    CAppCatalog missingFolder(dir.file("none/apps.xml"));
    EXPECT_FALSE(missingFolder.add(AppEntry{1, "One", "u"}));
    EXPECT_TRUE(missingFolder.rows().empty());
    EXPECT_FALSE(std::filesystem::exists(dir.file("none")));

    // A folder in the file's place cannot be replaced; what it holds stays.
    test::writeFile(dir.file("apps.xml/keep"), "x");
    CAppCatalog blocked(dir.file("apps.xml"));
    EXPECT_FALSE(blocked.load());
    EXPECT_FALSE(blocked.add(AppEntry{1, "One", "u"}));
    EXPECT_TRUE(blocked.rows().empty());
    EXPECT_EQ(test::readFile(dir.file("apps.xml/keep")), "x");
}

} // namespace
} // namespace qar
