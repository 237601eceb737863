#include "app/ServerControl.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>

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

struct FakeProbe : IServerProbe
{
    bool window = false;
    bool process = false;
    int processAsked = 0;
    bool findServerWindow() override { return window; }
    bool findServerProcess() override
    {
        ++processAsked;
        return process;
    }
};

/// Records what goes to the server; "connected" decides whether a send is taken or dropped.
struct FakeLink : IVexLink
{
    bool connected = true;
    std::vector<VexPayload> sent;
    std::map<std::uint32_t, VexPayload> waiting;
    int shutdowns = 0;
    int state = -1;
    bool sendPayload(VexPayload payload) override
    {
        if (!connected) {
            return false;
        }
        sent.push_back(std::move(payload));
        return true;
    }
    std::optional<VexPayload> takeMessage(std::uint32_t id) override
    {
        auto it = waiting.find(id);
        if (it == waiting.end()) {
            return std::nullopt;
        }
        auto payload = it->second;
        waiting.erase(it);
        return payload;
    }
    void Shutdown() override
    {
        ++shutdowns;
        connected = false;
    }
    int GetState() const override { return state; }
    void SetState(int s) override { state = s; }
    bool isCurrentEvent(std::uint32_t selector) const override { return selector != kStaleSelector; }
    static constexpr std::uint32_t kStaleSelector = 0x200;
};

struct Posted
{
    unsigned message;
    std::uint32_t wParam;
    std::int64_t lParam;
};

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
    FakeProbe probe;
    FakeLink link;
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

TEST(ServiceButton, EnabledOnlyWhenStoppedOutsideFirstRunAndHiddenInRemoteStart)
{
    // running, first run, installed -> enabled, visible
    const std::tuple<bool, bool, bool, bool, bool> cases[] = {
        {false, false, true, true, true}, {true, false, true, false, true},   {false, true, true, false, true},
        {true, true, true, false, true},  {false, false, false, true, false}, {true, true, false, false, false},
    };
    for (const auto& [running, firstRun, installed, enabled, visible] : cases) {
        SCOPED_TRACE(::testing::Message() << running << firstRun << installed);
        EXPECT_EQ(decideServiceButton(running, firstRun, installed), (ServiceButtonState{enabled, visible}));
    }
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

// A notification the client drops (no connection) still clears the flags.
TEST_F(ServerControlTest, NotifyServerSendsFlagBitsThenClearsAndUpdates)
{
    auto control = make();
    const std::tuple<ChangeFlags, std::uint32_t, bool> cases[] = {{{false, true, false}, 0x02, true},
                                                                  {{true, false, true}, 0x21, true},
                                                                  {{true, true, true}, 0x23, true},
                                                                  {{}, 0x00, true},
                                                                  {{true, true, true}, 0x23, false}};
    for (const auto& [set, bits, connected] : cases) {
        SCOPED_TRACE(::testing::Message() << bits << connected);
        link.sent.clear();
        link.connected = connected;
        flags.flags = set;
        const auto updates = buttons.states.size();
        const int clears = flags.clears;
        control.NotifyServer();
        EXPECT_EQ(link.sent, connected ? std::vector<VexPayload>{refresh(bits)} : std::vector<VexPayload>{});
        EXPECT_EQ(flags.clears, clears + 1);
        EXPECT_EQ(buttons.states.size(), updates + 1);
    }
}

TEST_F(ServerControlTest, ConnectionStateMessages)
{
    const struct
    {
        std::uint32_t selector;
        int state;
        int recorded;
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
        {FakeLink::kStaleSelector, kVexStateDown, -1, false, 0},
        {FakeLink::kStaleSelector, kVexStateUp, -1, false, 0},
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
    // A message the library no longer holds is ignored.
    posted.clear();
    EXPECT_TRUE(control.handleMessage(kMsgVexReceived, 0, 999));
    EXPECT_TRUE(posted.empty());
    EXPECT_TRUE(link.sent.empty());
}

TEST_F(ServerControlTest, OtherLibraryNoticesAreTakenAndIgnored)
{
    auto control = make();
    EXPECT_TRUE(control.handleMessage(kMsgVexNotice, 1, 2));
    EXPECT_TRUE(control.handleMessage(kMsgVexNoticeOther, 1, 2));
    EXPECT_FALSE(control.handleMessage(1737, 0, 0));
    EXPECT_TRUE(link.sent.empty());
    EXPECT_TRUE(buttons.states.empty());
}

TEST_F(ServerControlTest, StartServiceOpensTheServerWaitsAndResetsTheFlags)
{
    auto control = make();
    flags.flags = {true, true, true};
    control.StartService();
    ASSERT_EQ(opened.size(), 1U);
    EXPECT_EQ(opened[0], dir.file("RXServer.exe"));
    EXPECT_EQ(waited, std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(500)});
    EXPECT_EQ(flags.clears, 1);
    EXPECT_EQ(buttons.states.size(), 1U);
    EXPECT_TRUE(link.sent.empty());
}

} // namespace
} // namespace qar
