#include "app/ServerControl.h"

#include "FakeServer.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace qar
{
namespace
{

struct FakeFlags : IChangeFlagStore
{
    ChangeFlags flags;
    int clears = 0;
    ChangeFlags changeFlags() const override { return flags; }
    void clearChangeFlags() override
    {
        flags = {};
        ++clears;
    }
};

struct FakeButtons : IServiceButtonSink
{
    std::vector<ServiceButtonState> states;
    void setStartServiceButton(const ServiceButtonState& state) override { states.push_back(state); }
};

struct Posted
{
    unsigned message;
    std::uint32_t wParam;
    std::int64_t lParam;
};

// How the Start Service button looks in each installation is shown on the real main window.
class ServerControlTest : public ::testing::Test
{
protected:
    ServerControl make()
    {
        test::writeFile(dir.file("RXServer.exe"), "");
        return ServerControl(ServerControl::Hooks{flags, buttons, probe, link,
                                                  [this](unsigned m, std::uint32_t w, std::int64_t l) {
                                                      posted.push_back({m, w, l});
                                                  },
                                                  [this](const std::string& path) { opened.push_back(path); },
                                                  [this](std::chrono::milliseconds ms) { waited.push_back(ms); }},
                             dir.path().string(), false);
    }

    test::TempDir dir;
    FakeFlags flags;
    FakeButtons buttons;
    test::FakeProbe probe;
    test::RecordingLink link;
    std::vector<Posted> posted;
    std::vector<std::string> opened;
    std::vector<std::chrono::milliseconds> waited;
};

VexPayload refresh(std::uint32_t bits)
{
    return {0x22, 0x02, static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8), 0, 0};
}

VexPayload reply(std::uint8_t result, std::uint8_t kind)
{
    return {0x22, 0x01, result, 0x07, 0x00, 0x00, 0x00, kind};
}

TEST_F(ServerControlTest, ServerCountsAsRunningByWindowOrByProcess)
{
    auto control = make();
    EXPECT_FALSE(control.IsServerRunning());
    probe.window = true;
    const int asked = probe.processAsked;
    EXPECT_TRUE(control.IsServerRunning());
    EXPECT_EQ(probe.processAsked, asked); // the window is enough
    probe = {};
    probe.process = true;
    EXPECT_TRUE(control.IsServerRunning());
}

// Flags go out again with the next notification until the server is seen to have read them: a send
// dropped for want of a connection, or one the server never answered for. Sent or dropped, each
// notification clears the flags and updates the Start Service button.
TEST_F(ServerControlTest, NotifyServerSendsFlagBitsThenClearsAndUpdates)
{
    auto control = make();
    const struct
    {
        ChangeFlags set;
        bool connected;
        std::uint64_t readUpTo; ///< before the notification
        std::vector<VexPayload> sent;
    } steps[] = {
        {{true, false, false}, true, 0, {refresh(0x01)}},
        {{false, true, false}, true, 0, {refresh(0x01), refresh(0x03)}}, // the first one is still unread
        {{}, true, 2, {refresh(0x01), refresh(0x03), refresh(0x00)}},
        {{false, false, true}, false, 3, {refresh(0x01), refresh(0x03), refresh(0x00)}}, // dropped
        {{}, true, 3, {refresh(0x01), refresh(0x03), refresh(0x00), refresh(0x20)}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(link.sent.size());
        flags.flags = step.set;
        link.connected = step.connected;
        link.readUpTo = step.readUpTo;
        control.NotifyServer();
        EXPECT_EQ(link.sent, step.sent);
        EXPECT_FALSE(flags.flags.units || flags.flags.users || flags.flags.groups);
        EXPECT_EQ(buttons.states.size(), static_cast<std::size_t>(flags.clears));
    }
    EXPECT_EQ(flags.clears, 5);
}

TEST_F(ServerControlTest, ConnectionStateMessages)
{
    const struct
    {
        std::uint32_t selector;
        int state, recorded;
        bool notifies;
        int shutdowns;
    } cases[] = {
        {0, kVexStateBusy, -1, false, 0},
        {0, kVexStateUp, 1, true, 0},
        {1, kVexStateUp, 1, false, 0},
        {0x100, kVexStateUp, 1, true, 0},
        {0, kVexStateDown, 0, true, 1},
        {2, kVexStateDown, 0, false, 1},
        // A state of a connection the library has replaced since changes nothing.
        {test::RecordingLink::kStaleSelector, kVexStateDown, -1, false, 0},
        {test::RecordingLink::kStaleSelector, kVexStateUp, -1, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.selector << "/" << c.state);
        link = {};
        flags = {};
        flags.flags.users = true;
        auto control = make();
        EXPECT_TRUE(control.handleMessage(kMsgVexState, c.selector, c.state));
        EXPECT_EQ(link.state, c.recorded);
        EXPECT_EQ(link.shutdowns, c.shutdowns);
        EXPECT_EQ(flags.clears, c.notifies ? 1 : 0);
        // After a shutdown the notification goes nowhere; before it, it carries the users bit.
        EXPECT_EQ(link.sent.size(), c.notifies && c.shutdowns == 0 ? 1U : 0U);
    }
}

// Only a ready reply asks for a notification; a message the library no longer holds is ignored, and the
// window's own messages are left to it.
TEST_F(ServerControlTest, OnlyAReadyReplyAsksForANotification)
{
    const struct
    {
        VexPayload payload;
        bool posts;
    } cases[] = {
        {reply(0, 2), true},    {reply(1, 2), false},
        {reply(0, 3), false},   {{0x22, 0x01, 0x00, 0x07, 0x00, 0x00, 0x00}, false}, // kind missing
        {refresh(0x02), false}, {{0x22}, false},
    };
    auto control = make();
    std::uint32_t id = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(id);
        posted.clear();
        link.waiting[++id] = c.payload;
        EXPECT_TRUE(control.handleMessage(kMsgVexReceived, 0, id));
        EXPECT_TRUE(link.waiting.empty());
        ASSERT_EQ(posted.size(), c.posts ? 1U : 0U);
        if (c.posts) {
            EXPECT_EQ(posted[0].message, kMsgVexState);
            EXPECT_EQ(posted[0].wParam, 0U);
            EXPECT_EQ(posted[0].lParam, kVexStateUp);
        }
    }
    posted.clear();
    EXPECT_TRUE(control.handleMessage(kMsgVexReceived, 0, 999));
    EXPECT_TRUE(control.handleMessage(kMsgVexNotice, 1, 2));
    EXPECT_TRUE(control.handleMessage(kMsgVexNoticeOther, 1, 2));
    EXPECT_FALSE(control.handleMessage(1737, 0, 0));
    EXPECT_TRUE(posted.empty());
    EXPECT_TRUE(link.sent.empty());
    EXPECT_TRUE(buttons.states.empty());
}

TEST_F(ServerControlTest, StartServiceOpensTheServerWaitsAndResetsTheFlags)
{
    auto control = make();
    flags.flags = {true, true, true};
    control.StartService();
    EXPECT_EQ(opened, std::vector<std::string>{dir.file("RXServer.exe")});
    EXPECT_EQ(waited, std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(500)});
    EXPECT_EQ(flags.clears, 1);
    EXPECT_EQ(buttons.states.size(), 1U);
    EXPECT_TRUE(link.sent.empty());
}

} // namespace
} // namespace qar
