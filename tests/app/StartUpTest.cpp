#include "app/StartUp.h"

#include "TempDir.h"
#include "app/ShellCommands.h"
#include "resources/StringIds.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace qar;

namespace
{

/// Records what start-up asked of the machine, in order.
class RecordingEnvironment : public StartUpEnvironment
{
public:
    bool serverBeside = false;
    bool registered = false;
    bool handMade = false; ///< a data source exists that no registration made
    MySqlSetting setting;
    int lcid = 1033;
    std::string missingSettings;
    std::vector<std::string> log;

    std::string missingDatabaseSettings() override { return missingSettings; }
    bool serverBesideProgram() override { return serverBeside; }
    bool isDataSourceRegistered() override
    {
        log.push_back("check");
        return registered;
    }
    bool dataSourceExists() override
    {
        log.push_back("exists");
        return registered || handMade;
    }
    void ensureDirectory(const std::string& relative) override { log.push_back("mkdir " + relative); }
    MySqlSetting readMySqlSetting() override
    {
        log.push_back("read setting");
        return setting;
    }
    int systemLcid() override { return lcid; }
    void registerMySqlDataSource(const std::string& server, const std::string& charset, int port) override
    {
        log.push_back("register " + server + "|" + charset + "|" + std::to_string(port));
    }
    void pause(int milliseconds) override { log.push_back("pause " + std::to_string(milliseconds)); }
};

} // namespace

// Where the server is beside the program the client's switches are ignored; elsewhere they must name a
// group and a mode before anything is checked. The character set adjustment itself is the command line's;
// here it reaches the registration.
TEST(StartUp, DecidesFromTheServerTheDataSourceAndTheCommandLine)
{
    const std::vector<std::string> none;
    const std::vector<std::string> checked{"check"};
    const std::vector<std::string> folders{"check", "mkdir \\UserData\\config", "mkdir \\UserData\\config\\icodata"};
    const std::vector<std::string> registers{"exists", "read setting", "register 10.0.0.5 |gbk|3306", "pause 1000"};
    const std::vector<std::string> existed{"exists"};
    const struct
    {
        bool serverBeside, registered;
        const char* line;
        int messageId; // 0: the window runs, with these options:
        bool systemManager, firstRun;
        int group;
        const std::vector<std::string>& log;
    } cases[] = {
        {true, false, "-first", str::kCheckOdbcSettings, false, false, 0, checked},
        {true, true, "-SetIP:1.2.3.4-Group:7-GroupManager -first", 0, true, true, 0, folders},
        {false, false, "", str::kUseOrrinClient, false, false, 0, none},
        {false, false, "-first", str::kUseOrrinClient, false, false, 0, none},
        {false, false, "-SetIP:-Group:3-SystemManager", str::kUseOrrinClient, false, false, 0, none},
        {false, false, "-SetIP:1.2.3.4-Group:3", str::kUseOrrinClient, false, false, 0, none},
        // The blank before "-Group" stays part of the address.
        {false, false, "-SetIP:10.0.0.5 -Group:12-GroupManager", 0, false, false, 12, registers},
        {false, true, "-SetIP:h-Groupxx-SystemManager", 0, true, false, 0, existed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        RecordingEnvironment env;
        env.serverBeside = c.serverBeside;
        env.registered = c.registered;
        env.setting = {"BIG5", 3306, ""};
        env.lcid = 2052;
        const StartUpResult r = DecideStartUp(c.line, env);
        EXPECT_EQ(r.runMainWindow, c.messageId == 0);
        EXPECT_EQ(r.messageId, c.messageId);
        EXPECT_EQ(env.log, c.log);
        if (r.runMainWindow) {
            EXPECT_EQ(r.localStart, c.serverBeside);
            EXPECT_EQ(r.options.systemManager, c.systemManager);
            EXPECT_EQ(r.options.firstRun, c.firstRun);
            EXPECT_EQ(r.options.currentGroup, c.group);
        }
    }
}

// A fresh installation has no DB.dat: whichever way it starts, it is told which file to set up before
// anything is checked or registered.
TEST(StartUp, WithoutDatabaseSettingsNamesTheMissingFileFirst)
{
    for (const bool serverBeside : {true, false}) {
        SCOPED_TRACE(serverBeside);
        RecordingEnvironment env;
        env.serverBeside = serverBeside;
        env.missingSettings = "/opt/qar/UserData/config/DB.dat";
        const StartUpResult r = DecideStartUp("-SetIP:10.0.0.5-Group:1-SystemManager", env);
        EXPECT_FALSE(r.runMainWindow);
        EXPECT_EQ(r.messageId, str::kNoDatabaseSettingsFormat);
        EXPECT_EQ(r.messageArgument, env.missingSettings);
        EXPECT_TRUE(env.log.empty());
    }
    test::TempDir dir;
    test::ScopedEnv programDir("QAR_PROGRAM_DIR", dir.file("prog").c_str());
    SystemStartUpEnvironment system;
    EXPECT_EQ(system.missingDatabaseSettings(), dir.file("prog/UserData/config/DB.dat"));
    test::writeFile(dir.file("prog/UserData/config/DB.dat"), "[ODBC]\r\nDSN=QAR\r\n");
    EXPECT_EQ(system.missingDatabaseSettings(), "");
}

// A data source made by hand (not listed, or the user's) is never overwritten; a site's server list
// becomes the registered data source's host list, in the form the driver takes.
TEST(StartUp, RegistersTheSitesServersOnlyWhenNoDataSourceExists)
{
    const std::string line = "-SetIP:10.0.0.5-Group:1-SystemManager";
    RecordingEnvironment handMade;
    handMade.handMade = true;
    ASSERT_TRUE(DecideStartUp(line, handMade).runMainWindow);
    EXPECT_EQ(handMade.log, std::vector<std::string>{"exists"});

    RecordingEnvironment cluster;
    cluster.setting = {"", 3306, MySqlHostList(" db1, db2:3307;db3 ")};
    DecideStartUp(line, cluster);
    EXPECT_EQ(cluster.log.at(2), "register db1,db2:3307,db3|utf8mb4|3306");
}

TEST(StartUp, SystemEnvironmentReadsMySqlSettingBesideTheProgramFolder)
{
    test::TempDir dir;
    test::ScopedEnv programDir("QAR_PROGRAM_DIR", dir.file("prog").c_str());
    SystemStartUpEnvironment env;
    EXPECT_EQ(env.readMySqlSetting().port, 4397);
    EXPECT_EQ(env.readMySqlSetting().charset, "");
    test::writeFile(dir.file("MySQL_Setting.dat"),
                    "[Info]\r\nMySQL_ChSet=big5\r\nMySQL_Port=3307\r\nMySQL_Servers=db1 db2:3308\r\n");
    EXPECT_EQ(env.readMySqlSetting().charset, "big5");
    EXPECT_EQ(env.readMySqlSetting().port, 3307);
    EXPECT_EQ(env.readMySqlSetting().servers, "db1,db2:3308");

    EXPECT_FALSE(env.serverBesideProgram());
    test::writeFile(dir.file("prog/RXServer.exe"), "");
    EXPECT_TRUE(env.serverBesideProgram());
    // Only the last level is created, as the platform's directory creation does; a missing parent is
    // a failure that start-up ignores.
    env.ensureDirectory("\\UserData\\config");
    EXPECT_FALSE(std::filesystem::exists(dir.file("prog/UserData")));
    std::filesystem::create_directory(dir.file("prog/UserData"));
    env.ensureDirectory("\\UserData\\config");
    env.ensureDirectory("\\UserData\\config\\icodata");
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("prog/UserData/config/icodata")));
}

TEST(ShellCommands, EditorFollowsVisualThenEditorThenTheDesktop)
{
    const LaunchRequest visual = EditorRequest("/p/Server.Conf", "gedit", "vi", "/p");
    EXPECT_EQ(visual, (LaunchRequest{LaunchRequest::Kind::Program, "gedit", {"/p/Server.Conf"}, "/p"}));
    const LaunchRequest editor = EditorRequest("/p/Server.Conf", "", "vi", "/p");
    EXPECT_EQ(editor, (LaunchRequest{
                          LaunchRequest::Kind::Program, "x-terminal-emulator", {"-e", "vi", "/p/Server.Conf"}, "/p"}));
    const LaunchRequest desktop = EditorRequest("/p/Server.Conf", nullptr, nullptr, "/p");
    EXPECT_EQ(desktop, (LaunchRequest{LaunchRequest::Kind::Document, "/p/Server.Conf", {}, "/p"}));

    // Commands with arguments; blanks only count as unset; a command that cannot be split starts nothing.
    EXPECT_EQ(EditorRequest("/p/S", "code --wait", "vi", "/p").arguments, (std::vector<std::string>{"--wait", "/p/S"}));
    EXPECT_EQ(EditorRequest("/p/S", "  ", "emacsclient -c", "/p").arguments,
              (std::vector<std::string>{"-e", "emacsclient", "-c", "/p/S"}));
    EXPECT_EQ(EditorRequest("/p/S", "'code", "vi", "/p").path, "");
}

TEST(ShellCommands, CommandsAreSplitAsAShellSplitsThem)
{
    using Words = std::optional<std::vector<std::string>>;
    const std::pair<const char*, Words> cases[] = {
        {"  code\t--wait  ", Words{{"code", "--wait"}}},
        {"'/opt/My Editor/ed' -n", Words{{"/opt/My Editor/ed", "-n"}}},
        {"a\\ b \"c \\\" \\\\ \\x\" ''", Words{{"a b", "c \" \\ \\x", ""}}},
        {"x'y'\"z\"", Words{{"xyz"}}},
        {"   ", Words{std::vector<std::string>{}}},
        {"'open", std::nullopt},
        {"\"open\\\"", std::nullopt},
        {"trailing\\", std::nullopt},
    };
    for (const auto& [command, words] : cases) {
        SCOPED_TRACE(command);
        EXPECT_EQ(SplitCommandLine(command), words);
    }
}

TEST(ShellCommands, ImportToolNeedsBothDataFilesAndASystemManager)
{
    test::TempDir dir;
    test::ScopedEnv programDir("QAR_PROGRAM_DIR", dir.file("prog").c_str());
    test::ScopedEnv windowsDir("QAR_WINDOWS_DIR", dir.file("win").c_str());
    test::writeFile(dir.file("win/Data1.d_t"), "u");
    EXPECT_FALSE(SheetIntakeRequest(42, true));
    test::writeFile(dir.file("win/Data2.d_t"), "u");
    EXPECT_FALSE(SheetIntakeRequest(42, false));
    const auto r = SheetIntakeRequest(42, true);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->path, dir.file("prog/SheetIntake.exe"));
    EXPECT_EQ(r->arguments, std::vector<std::string>{"-bysys-h42-unit" + dir.file("win/Data1.d_t") + "-user" +
                                                     dir.file("win/Data2.d_t")});
    EXPECT_EQ(r->workingDirectory, dir.file("prog"));
}
