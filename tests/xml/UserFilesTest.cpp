#include "TempDir.h"
#include "xml/DomainUserFile.h"
#include "xml/MultiUnitUsers.h"
#include "xml/UserRecordFiles.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace qar;
using test::readFile;
using test::ScopedLcid;
using test::TempDir;
using test::writeFile;

namespace
{

const std::string kUtf8Head = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\r\n";

std::string museFile(const std::string& users)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<QAR_USERS>\n" + users + "</QAR_USERS>\n";
}

} // namespace

TEST(MultiUnitUsers, ReadsUnitListsByTheirRules)
{
    const struct
    {
        const char* users;
        std::uint32_t user;
        MultiUnitUsers::UnitList units;
    } cases[] = {
        {"<USER ID=\"5\" UNITS=\"3|7|\"/>", 5, {3, 7}},
        {"<USER ID=\"5\" UNITS=\"3|7 \t\"/>", 5, {3, 7}},
        {"<USER ID=\"5\" UNITS=\"3||abc|0|8\"/>", 5, {3, 8}},
        {"<USER ID=\"5\" UNITS=\"1\"/><USER ID=\"5\" UNITS=\"2|4\"/>", 5, {2, 4}}, // the last one wins
        {"<USER ID=\"5\" UNITS=\"1\"/><USER ID=\"5\" UNITS=\"0|x\"/>", 5, {1}},    // an empty list is dropped
        {"<USER UNITS=\"9\"/>", 0, {9}},                                           // no id: user 0
        {"<USER ID=\"5\"/>", 5, {}},
        {"<USER ID=\"-2\" UNITS=\"-1\"/>", 4294967294u, {4294967295u}},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.users);
        const std::string path = writeFile(dir.file("MUser.xml"), museFile(c.users));
        MultiUnitUsers file;
        file.Load(path);
        EXPECT_EQ(file.GetUserUnits(c.user), c.units);
    }
}

TEST(MultiUnitUsers, WritesOneLinePerUserAndTheBareRootWhenEmpty)
{
    TempDir dir;
    const std::string path = dir.file("MUser.xml");
    writeFile(path, museFile("<USER UNITS=\"9\"/>\n<USER ID=\"12\" UNITS=\"4|\"/>\n<USER ID=\"5\" UNITS=\"3|7|\"/>\n"));
    MultiUnitUsers file;
    file.Load(path);
    ASSERT_TRUE(file.Save(path));
    // User 0 stays in memory only; users follow in ascending order.
    EXPECT_EQ(readFile(path), kUtf8Head + "<QAR_USERS>\r\r\n<USER ID=\"5\" UNITS=\"3|7\"/>\r\r\n"
                                          "<USER ID=\"12\" UNITS=\"4\"/>\r\r\n</QAR_USERS>\r\r\n");
    file.SetUserUnits(5, {});
    file.SetUserUnits(12, {0});
    ASSERT_TRUE(file.Save(path));
    EXPECT_EQ(readFile(path), kUtf8Head + "<QAR_USERS/>\r\r\n");
}

TEST(MultiUnitUsers, HostileFilesReadWithoutHarmAndStayUntouched)
{
    TempDir dir;
    const std::string deep = museFile(std::string(5000, '\0') + "<USER ID=\"1\" UNITS=\"2\"/>");
    for (const std::string& text : {std::string(5000, '<'), deep, std::string("<QAR_USERS><USER ID=\"1\" UNITS=\"2\">"),
                                    museFile("<USER ID='1' UNITS=2/>")}) {
        const std::string path = writeFile(dir.file("MUser.xml"), text);
        const auto before = std::filesystem::last_write_time(path);
        MultiUnitUsers file;
        file.Load(path);
        EXPECT_TRUE(file.users().empty());
        EXPECT_EQ(std::filesystem::last_write_time(path), before);
        EXPECT_EQ(readFile(path).size(), text.size());
    }
}

TEST(DomainUserFile, LoadsRecordsAndKeepsOnlyWhatCanBeWritten)
{
    TempDir dir;
    const std::string path =
        writeFile(dir.file("Userx.xml"),
                  "<?xml version=\"1.0\"?>\n<QAR_USERX>\n<DOMAIN>CORP</DOMAIN>\n<USERS>\n<U ID=\"12\" DN=\"user01\" "
                  "UD=\"200\"/>\n"
                  "<U ID=\"0\" DN=\"ghost\"/>\n<U ID=\"13\" UD=\"65537\"/>\n<U ID=\"14\"/>\n<U DN=\"x\"/>\n</USERS>\n"
                  "</QAR_USERX>\n");
    DomainUserFile file(path);
    EXPECT_EQ(file.domain, "CORP");
    ASSERT_EQ(file.records.size(), 3u);
    EXPECT_EQ(file.FindDomainUser(12)->domainAccount, "user01");
    EXPECT_EQ(file.FindDomainUser(13)->netDiskMb, 1); // 65537 keeps its low 16 bits
    EXPECT_FALSE(file.modified);
    file.FindDomainUser(13)->netDiskMb = 65535;
    ASSERT_TRUE(file.Save());
    EXPECT_EQ(readFile(path), kUtf8Head +
                                  "<QAR_USERX>\r\r\n<DOMAIN>CORP</DOMAIN>\r\r\n<USERS>\r\r\n"
                                  "<U ID=\"12\" DN=\"user01\" UD=\"200\"/>\r\r\n<U ID=\"13\" UD=\"65535\"/>\r\r\n"
                                  "</USERS>\r\r\n</QAR_USERX>\r\r\n");

    // Users standing before the domain are not found: searches run forward.
    writeFile(path, "<QAR_USERX><USERS><U ID=\"1\" DN=\"a\"/></USERS><DOMAIN>D2</DOMAIN></QAR_USERX>");
    file.Load();
    EXPECT_EQ(file.domain, "D2");
    EXPECT_TRUE(file.records.empty());
    ASSERT_TRUE(file.Save());
    EXPECT_EQ(readFile(path), kUtf8Head + "<QAR_USERX>\r\r\n<DOMAIN>D2</DOMAIN>\r\r\n</QAR_USERX>\r\r\n");
}

TEST(DomainUserFile, AMissingFileIsNeverCreated)
{
    TempDir dir;
    const std::string path = dir.file("data/Userx.xml");
    {
        DomainUserFile file(path);
        EXPECT_TRUE(StoreDomainUserData(file, 7, "acct", 0));
        EXPECT_TRUE(file.modified);
        EXPECT_FALSE(file.Save());
        file.modified = true;
    } // the destructor's save finds no file either
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(std::filesystem::exists(dir.file("data")));
}

TEST(DomainUserFile, StoresAUsersDataOnlyWhenItChanges)
{
    TempDir dir;
    const std::string path = writeFile(dir.file("Userx.xml"), "<QAR_USERX><DOMAIN/></QAR_USERX>");
    DomainUserFile file(path);
    EXPECT_FALSE(StoreDomainUserData(file, 7, "", 0)); // no record for nothing
    EXPECT_FALSE(file.modified);
    EXPECT_TRUE(StoreDomainUserData(file, 7, "a;b\"%", 10));
    file.modified = false;
    EXPECT_FALSE(StoreDomainUserData(file, 7, "a;b\"%", 10));
    EXPECT_FALSE(file.modified);
    EXPECT_TRUE(StoreDomainUserData(file, 7, "", 0)); // emptied: dropped at the next save
    ASSERT_TRUE(file.Save());
    DomainUserFile again(path);
    EXPECT_TRUE(again.records.empty());
    EXPECT_EQ(readFile(path), kUtf8Head + "<QAR_USERX>\r\r\n<DOMAIN/>\r\r\n<USERS/>\r\r\n</QAR_USERX>\r\r\n");
}

TEST(DomainUserFile, ConvertsValuesOfAFileFromTheOtherChineseScript)
{
    ScopedLcid gb(2052);
    TempDir dir;
    const std::string big5Name = "\xA4\xA4\xB0\xEA";
    const std::string path = writeFile(dir.file("Userx.xml"),
                                       "<?xml version=\"1.0\" encoding=\"big5\"?>\n<QAR_USERX><DOMAIN>" + big5Name +
                                           "</DOMAIN><USERS><U ID=\"3\" DN=\"" + big5Name + "\"/></USERS></QAR_USERX>");
    DomainUserFile file(path);
    EXPECT_EQ(file.domain, "\xD6\xD0\xB9\xFA");
    EXPECT_EQ(file.FindDomainUser(3)->domainAccount, "\xD6\xD0\xB9\xFA");
}

// A user's records follow it: they go with it, move over whatever its new id had, and a new user's id
// starts without what a former holder left.
TEST(UserRecordFiles, FollowTheirUserInBothFiles)
{
    using Kind = UserIdChange::Kind;
    const struct
    {
        UserIdChange change;
        const char* accounts;
        const char* units;
    } cases[] = {
        {{Kind::Deleted, 10301}, "<U ID=\"10302\" DN=\"old\"/>", "<USER ID=\"10302\" UNITS=\"999\"/>"},
        {{Kind::Renumbered, 10301, 10302},
         "<U ID=\"10302\" DN=\"ceshi\" UD=\"300\"/>",
         "<USER ID=\"10302\" UNITS=\"117\"/>"},
        {{Kind::Added, 10302}, "<U ID=\"10301\" DN=\"ceshi\" UD=\"300\"/>", "<USER ID=\"10301\" UNITS=\"117\"/>"},
    };
    const auto body = [](const std::string& path) {
        std::string text = readFile(path);
        for (std::size_t at; (at = text.find("\r\r\n")) != std::string::npos;) {
            text.erase(at, 3);
        }
        return text.substr(text.find("?>") + 2);
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.change.kind));
        TempDir dir;
        DomainUserFile domain(writeFile(dir.file("Userx.xml"),
                                        "<QAR_USERX><DOMAIN/><USERS><U ID=\"10301\" DN=\"ceshi\" "
                                        "UD=\"300\"/><U ID=\"10302\" DN=\"old\"/></USERS></QAR_USERX>"));
        const std::string units = writeFile(
            dir.file("MUser.xml"), museFile("<USER ID=\"10301\" UNITS=\"117\"/><USER ID=\"10302\" UNITS=\"999\"/>"));
        UserRecordFiles files(&domain, units);
        files.follow({c.change});
        EXPECT_TRUE(files.save().empty());
        EXPECT_EQ(body(domain.path()),
                  std::string("<QAR_USERX><DOMAIN/><USERS>") + c.accounts + "</USERS></QAR_USERX>");
        EXPECT_EQ(body(units), std::string("<QAR_USERS>") + c.units + "</QAR_USERS>");
    }
}
