#include "app/CommandLine.h"

#include "platform/Locale.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace qar;

namespace
{

struct RemoteCase
{
    const char* cmdline;
    bool ok;
    const char* address;
    int group;
    bool systemManager;
};

TEST(CommandLine, ParsesTheClientsSwitches)
{
    const RemoteCase cases[] = {
        {"-SetIP:10.0.0.5-Group:3-GroupManager", true, "10.0.0.5", 3, false},
        {"x.exe -SetIP:10.0.0.5-Group:12-SystemManager", true, "10.0.0.5", 12, true},
        {"-SetIP:1.2.3.4 -Group:3-SystemManager", true, "1.2.3.4 ", 3, true},
        {"-SetIP:h-Group:x-SystemManager", true, "h", 0, true},
        {"-SetIP:h-Group= -7-GroupManager", true, "h", -7, false},
        {"-SetIP:h-Group:3-GroupManager-SystemManager", true, "h", 3, true},
        {"-SetIP:h-Group:3-SystemManager-GroupManager", true, "h", 3, true},
        {"-SetIP:h-Group:99999999999-SystemManager", true, "h", 2147483647, true},
        {"-SetIP:h-Group3-SystemManager", false, "", 0, true}, // the '3' is the skipped character
        {"-SetIP:-Group:3-SystemManager", false, "", 0, true},
        {"-SetIP:h-Group:3", false, "", 0, true},
        {"-SetIP:h-Group:-SystemManager", false, "", 0, true},
        // "-SystemManager" right at the group's place does not count, a later "-GroupManager" does.
        {"-SetIP:h-Group:-SystemManager-GroupManager", true, "h", 0, false},
        {"-SetIP:h-Group:-GroupManager", false, "", 0, true},
        {"-SetIP:h-Group", false, "", 0, true},
        {"-SetIP:h-Group:", false, "", 0, true},
        {"-setip:h-Group:3-SystemManager", false, "", 0, true},
        {"-SetIP:h-group:3-SystemManager", false, "", 0, true},
        {"", false, "", 0, true},
    };
    for (const RemoteCase& c : cases) {
        SCOPED_TRACE(c.cmdline);
        StartOptions options;
        EXPECT_EQ(ParseRemoteCommandLine(c.cmdline, options), c.ok);
        EXPECT_EQ(options.serverAddress, c.address);
        EXPECT_EQ(options.currentGroup, c.group);
        EXPECT_EQ(options.systemManager, c.systemManager);
    }
}

// The first-run switch counts anywhere in the line, also in a remote start.
TEST(CommandLine, FirstRunSwitchIsFoundAnywhereAndKeptByARemoteStart)
{
    EXPECT_TRUE(HasFirstRunSwitch("a-firstly b"));
    EXPECT_FALSE(HasFirstRunSwitch("-First"));
    EXPECT_FALSE(HasFirstRunSwitch("first"));
    bool ok = false;
    const StartOptions remote = StartOptionsFor("-first-SetIP:h-Group:3-GroupManager", false, ok);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(remote.firstRun);
    EXPECT_EQ(remote.currentGroup, 3);
}

// Columns: as configured, then on a GBK, a Big5 and a UTF-8 system.
TEST(CommandLine, CharsetFollowsTheSystemCodePage)
{
    const char* cases[][4] = {{"BIG5", "gbk", "BIG5", "utf8mb4"},        {"big5", "gbk", "big5", "utf8mb4"},
                              {"gbk", "gbk", "big5", "utf8mb4"},         {"GBK", "GBK", "GBK", "utf8mb4"},
                              {"latin1", "latin1", "latin1", "utf8mb4"}, {"", "", "", "utf8mb4"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        EXPECT_EQ(AdjustMySqlCharset(c[0], kLcidSimplifiedChinese), c[1]);
        EXPECT_EQ(AdjustMySqlCharset(c[0], kLcidTraditionalChinese), c[2]);
        EXPECT_EQ(AdjustMySqlCharset(c[0], kLcidEnglish), c[3]);
        EXPECT_EQ(AdjustMySqlCharset(c[0], 1041), c[3]); // any other locale id is a UTF-8 system
    }
}

TEST(CommandLine, JoinsArgumentsAfterTheProgramName)
{
    const char* argv[] = {"/opt/my-first/qaradmin", "-SetIP:h-Group:3", "-GroupManager"};
    EXPECT_EQ(JoinCommandLine(3, argv), "-SetIP:h-Group:3 -GroupManager");
    EXPECT_EQ(JoinCommandLine(1, argv), "");
    EXPECT_EQ(JoinCommandLine(std::vector<std::string>{"prog", "a", "b c"}), "a b c");
    EXPECT_EQ(JoinCommandLine(std::vector<std::string>{}), "");
}

} // namespace
