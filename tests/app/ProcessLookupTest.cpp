#include "platform/ProcessLookup.h"

#include "ChildProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace qar
{
namespace
{

using namespace std::chrono_literals;

TEST(ProcessLookup, ExecutableNameFallsBackFromLinkToArgumentToCommand)
{
    using S = std::optional<std::string>;
    const struct
    {
        S exe;
        S cmdline;
        S comm;
        const char* name;
    } cases[] = {
        {"/opt/qar/RXServer.exe", std::string("x\0-a", 4), "RXServer.exe\n", "RXServer.exe"},
        {"/opt/qar/RXServer.exe (deleted)", {}, {}, "RXServer.exe"},
        {{}, std::string("/srv/bin/RXServer.exe\0-setting\0", 31), "sh\n", "RXServer.exe"},
        {{}, std::string("RXServer.exe"), {}, "RXServer.exe"},
        {{}, std::string(""), "kworker/0:1-events_power_efficient\n", "kworker/0:1-eve"},
        {std::string(""), std::string("\0", 1), "RXServer.exe\n", "RXServer.exe"},
        {{}, {}, {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(executableNameFrom(c.exe, c.cmdline, c.comm), c.name);
    }
}

TEST(ProcessLookup, FindsServerByExecutableNameContainedInAnyCase)
{
    test::TempDir dir;
    const std::string unique = "qar" + std::to_string(::getpid()) + "MyRxServer.EXE";
    const std::string program = dir.file(unique);
    std::filesystem::copy_file("/bin/sleep", program);
    test::ChildProcess server(program, {"30"});
    ASSERT_GT(server.pid(), 0);

    std::string lower = unique;
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    int found = 0;
    for (int i = 0; i < 50 && found == 0; ++i) { // until the child has exec'd
        found = findProcessByName(lower);
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(found, server.pid());
    EXPECT_EQ(processExecutableName(server.pid()), unique);
    EXPECT_NE(FindServerProcess(), 0);
}

TEST(ProcessLookup, ZombieIsNotAProcess)
{
    test::TempDir dir;
    const std::string program = dir.file("qar-zombie-RXServer.exe");
    std::filesystem::copy_file("/bin/true", program);
    test::ChildProcess child(program, {});
    ASSERT_GT(child.pid(), 0);
    // Not reaped: the finished child stays a zombie until the end of the test.
    siginfo_t info{};
    ASSERT_EQ(::waitid(P_PID, static_cast<id_t>(child.pid()), &info, WEXITED | WNOWAIT), 0);
    EXPECT_EQ(processExecutableName(child.pid()), "");
    EXPECT_EQ(findProcessByName("qar-zombie-rxserver.exe"), 0);
}

} // namespace
} // namespace qar
