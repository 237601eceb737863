#include "platform/WindowLookup.h"

#include "RxServerProcess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>
#include <thread>

namespace qar
{
namespace
{

using namespace std::chrono_literals;

/// The display to test on: $DISPLAY, else a private Xvfb started for the test.
class TestDisplay
{
public:
    TestDisplay()
    {
        if (const char* display = std::getenv("DISPLAY"); display != nullptr && *display != '\0') {
            m_name = display;
            return;
        }
        const char* xvfb = "/usr/bin/Xvfb";
        if (!std::filesystem::exists(xvfb)) {
            return;
        }
        // Xvfb picks a free display itself and writes its number to standard output.
        m_server = std::make_unique<test::ChildProcess>(
            xvfb, std::vector<std::string>{"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "640x480x24"});
        const std::string number = m_server->waitForLine("", 10s);
        if (!number.empty()) {
            m_name = ":" + number;
        }
    }
    ~TestDisplay()
    {
        if (m_server) {
            m_server->stop(SIGTERM);
        }
    }

    const std::string& name() const { return m_name; }

private:
    std::string m_name;
    std::unique_ptr<test::ChildProcess> m_server;
};

TEST(WindowLookup, FindsTheServerWindowByItsMarkerUntilTheServerStops)
{
    TestDisplay display;
    if (display.name().empty()) {
        GTEST_SKIP() << "no X display and no Xvfb";
    }
    auto server = std::make_unique<test::RxServerProcess>(
        0, std::vector<std::string>{}, std::map<std::string, std::string>{{"DISPLAY", display.name()}});
    const std::string line = server->waitForLine("window ");
    ASSERT_FALSE(line.empty());
    ASSERT_EQ(line.find("none"), std::string::npos) << line;
    const auto id = static_cast<std::uint32_t>(std::stoul(line.substr(7)));

    EXPECT_EQ(findWindowByUserData(kServerWindowMarker, display.name().c_str()), id);
    EXPECT_FALSE(findWindowByUserData(kServerWindowMarker + 1, display.name().c_str()));

    // SIGTERM ends the server cleanly, and its window goes with it.
    const int status = server->process().stop(SIGTERM);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(server->process().waitForCount("stopped", 1));
    EXPECT_FALSE(findWindowByUserData(kServerWindowMarker, display.name().c_str()));
}

TEST(WindowLookup, NoDisplayMeansNoWindow)
{
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(findWindowByUserData(kServerWindowMarker, ""));
    EXPECT_FALSE(findWindowByUserData(kServerWindowMarker, ":"
                                                           "4711"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
}

} // namespace
} // namespace qar
