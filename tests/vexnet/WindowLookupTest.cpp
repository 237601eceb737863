#include "platform/WindowLookup.h"

#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <sys/wait.h>

namespace qar
{
namespace
{

using namespace std::chrono_literals;

TEST(WindowLookup, FindsTheServerWindowByItsMarkerUntilTheServerStops)
{
    test::Xvfb xvfb;
    if (xvfb.display.empty()) {
        GTEST_SKIP() << "no Xvfb";
    }
    const char* display = xvfb.display.c_str();
    test::RxServerProcess server(0, {}, {{"DISPLAY", display}});
    const auto window = server.lines("window ");
    ASSERT_FALSE(window.empty());
    const std::string& line = window[0];
    ASSERT_EQ(line.find("none"), std::string::npos) << line;
    EXPECT_EQ(findWindowByUserData(kServerWindowMarker, display),
              static_cast<std::uint32_t>(std::stoul(line.substr(7))));
    EXPECT_FALSE(findWindowByUserData(kServerWindowMarker + 1, display));

    // SIGTERM ends the server cleanly, and its window goes with it.
    const int status = server.process().stop(SIGTERM);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_FALSE(server.lines("stopped").empty());
    EXPECT_FALSE(findWindowByUserData(kServerWindowMarker, display));
    // Without an X server there is no window, and no long wait to find that out.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(findWindowByUserData(kServerWindowMarker, ""));
    EXPECT_FALSE(findWindowByUserData(kServerWindowMarker, ":4711"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
}

} // namespace
} // namespace qar
