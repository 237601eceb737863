#include "ChildProcess.h"
#include "vexnet/CXCntNetData.h"
#include "vexnet/CZVexClient.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace qar
{
namespace
{

using namespace std::chrono_literals;

/// Collects the client's events (they come from its worker thread) for the test to wait on.
class EventLog
{
public:
    VexEventSink sink()
    {
        return [this](const VexEvent& event) {
            std::lock_guard lock(m_mutex);
            m_events.push_back(event);
            m_changed.notify_all();
        };
    }

    /// The next event after the ones already waited for that is `message` with `lParam` (any lParam
    /// when negative); nothing after 10 s.
    std::optional<VexEvent> next(unsigned message, std::int64_t lParam = -1)
    {
        std::unique_lock lock(m_mutex);
        std::optional<VexEvent> found;
        m_changed.wait_for(lock, 10s, [&] {
            for (; !found && m_cursor < m_events.size(); ++m_cursor) {
                const VexEvent& event = m_events[m_cursor];
                if (event.message == message && (lParam < 0 || event.lParam == lParam)) {
                    found = event;
                }
            }
            return found.has_value();
        });
        return found;
    }

    int count(unsigned message, std::int64_t lParam)
    {
        std::lock_guard lock(m_mutex);
        int n = 0;
        for (const auto& event : m_events) {
            n += event.message == message && event.lParam == lParam ? 1 : 0;
        }
        return n;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<VexEvent> m_events;
    std::size_t m_cursor = 0;
};

CZVexClient::Options loopback(std::uint16_t port)
{
    CZVexClient::Options options;
    options.host = "127.0.0.1";
    options.port = port;
    options.minBackoff = 50ms;
    options.maxBackoff = 400ms;
    return options;
}

bool sendRefresh(IVexLink& link, std::uint32_t flags)
{
    CXCntNetData message(kNetDataKindControl, &link);
    message.PutData(kCodeRefresh);
    message.PutData(flags);
    return message.SendToServer();
}

// The client connects by itself; the server prints each refresh notification with its flag names, and
// its reply is announced and handed out once. A shutdown drops the link quietly (no "down" for the tool)
// and the client comes back by itself.
TEST(CZVexClient, ConnectsByItselfAndServerPrintsTheNotification)
{
    test::RxServerProcess server(0, {"-nowindow", "-reply:100"});
    EventLog events;
    CZVexClient client(loopback(server.port()), events.sink());

    auto up = events.next(kMsgVexState, kVexStateUp);
    ASSERT_TRUE(up);
    EXPECT_EQ(up->wParam & 0xFF, 0U);
    EXPECT_TRUE(client.isConnected());
    EXPECT_FALSE(server.lines("client connected 127.0.0.1:").empty());

    EXPECT_TRUE(sendRefresh(client, kRefreshUsers));
    EXPECT_FALSE(server.lines("546 refresh 0x00000002 users").empty());
    EXPECT_TRUE(sendRefresh(client, kRefreshUnits | kRefreshGroups));
    EXPECT_FALSE(server.lines("546 refresh 0x00000021 units groups").empty());

    auto arrived = events.next(kMsgVexReceived);
    ASSERT_TRUE(arrived);
    const auto id = static_cast<std::uint32_t>(arrived->lParam);
    CZNetData reply(&client, id);
    std::size_t length = 0;
    ASSERT_TRUE(reply.RecvFromServer(length));
    EXPECT_EQ(length, 8U);
    std::size_t position = 0;
    EXPECT_EQ(reply.GetDataOfWord(position), kCodeRefreshReply);
    EXPECT_EQ(reply.GetDataOfByte(position), kReplyResultOk);
    EXPECT_TRUE(reply.GetDataOfLong(position));
    EXPECT_EQ(reply.GetDataOfByte(position), kReplyKindReady);
    EXPECT_FALSE(CZNetData(&client, id).RecvFromServer(length));
    // A client may also ask for the reply.
    CZNetData request(&client);
    request.PutData(kCodeRefreshReply);
    ASSERT_TRUE(request.SendToServer());
    EXPECT_FALSE(server.lines("290 reply (requested)").empty());

    client.Shutdown();
    EXPECT_FALSE(sendRefresh(client, kRefreshUsers));
    EXPECT_FALSE(server.lines("client disconnected").empty());
    ASSERT_TRUE(events.next(kMsgVexState, kVexStateUp));
    EXPECT_EQ(events.count(kMsgVexState, kVexStateDown), 0);
    EXPECT_EQ(server.lines("client connected", 2).size(), 2U);
    EXPECT_EQ(server.process().lines("546 refresh").size(), 2U);
}

// Sends are dropped while the server is gone; the failed attempts to reach it are not reported one by
// one; a server on the same port is found again; the client does not hold up its owner when it goes.
TEST(CZVexClient, ServerGoneDropsSendsAndRestartedServerIsFoundAgain)
{
    auto server = std::make_unique<test::RxServerProcess>();
    const std::uint16_t port = server->port();
    EventLog events;
    auto client = std::make_unique<CZVexClient>(loopback(port), events.sink());
    ASSERT_TRUE(events.next(kMsgVexState, kVexStateUp));

    server->process().stop(SIGKILL);
    const auto down = events.next(kMsgVexState, kVexStateDown);
    ASSERT_TRUE(down);
    EXPECT_FALSE(client->isConnected());
    EXPECT_FALSE(sendRefresh(*client, kRefreshUnits));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(events.count(kMsgVexState, kVexStateDown), 1);

    server = std::make_unique<test::RxServerProcess>(port);
    const auto up = events.next(kMsgVexState, kVexStateUp);
    ASSERT_TRUE(up);
    // The lost connection's "down", handled only now, is out of date; the new connection's events are not.
    EXPECT_FALSE(client->isCurrentEvent(down->wParam));
    EXPECT_TRUE(client->isCurrentEvent(up->wParam));
    EXPECT_TRUE(sendRefresh(*client, kRefreshGroups));
    EXPECT_FALSE(server->lines("546 refresh 0x00000020 groups").empty());
    EXPECT_EQ(server->process().lines("546 refresh").size(), 1U);

    const auto start = std::chrono::steady_clock::now();
    client.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
}

// A server that stops answering (SIGSTOP: the kernel still takes what is sent) is taken as down within
// a few seconds, and the client knows the server never read what went into the socket meanwhile.
TEST(CZVexClient, SilentServerIsTakenAsDownAndWhatItNeverReadIsKnown)
{
    test::RxServerProcess server;
    EventLog events;
    CZVexClient client(loopback(server.port()), events.sink());
    ASSERT_TRUE(events.next(kMsgVexState, kVexStateUp));
    ASSERT_TRUE(sendRefresh(client, kRefreshUsers));
    const std::uint64_t read = client.lastSendTicket();
    for (int i = 0; i < 100 && !client.isDelivered(read); ++i) {
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_TRUE(client.isDelivered(read));

    ::kill(server.process().pid(), SIGSTOP);
    ASSERT_TRUE(sendRefresh(client, kRefreshUnits));
    const std::uint64_t unread = client.lastSendTicket();
    const auto stopped = std::chrono::steady_clock::now();
    ASSERT_TRUE(events.next(kMsgVexState, kVexStateDown));
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, 5s);
    EXPECT_FALSE(client.isDelivered(unread));
    EXPECT_TRUE(client.isDelivered(read));
    server.process().stop(SIGKILL);
}

// The name service may take its time (glibc allows far more than a window may wait): the client goes at
// once, whatever its look-up is doing.
TEST(CZVexClient, GoesAtOnceWhileAHostNameIsLookedUp)
{
    static std::atomic<bool> asked = false;
    CZVexClient::Options options = loopback(1);
    options.host = "qar-server.example";
    options.resolve = [](const char*, const char*, const addrinfo*, addrinfo**) {
        asked = true;
        std::this_thread::sleep_for(3s);
        return EAI_AGAIN;
    };
    auto client = std::make_unique<CZVexClient>(options, VexEventSink{});
    for (int i = 0; i < 100 && !asked; ++i) {
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_TRUE(asked);
    const auto start = std::chrono::steady_clock::now();
    client.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
}

// A server speaking something else is left: the stream is dropped and reported down.
TEST(CZVexClient, GarbageFromServerDropsTheConnection)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);

    EventLog events;
    CZVexClient client(loopback(ntohs(address.sin_port)), events.sink());
    const int peer = ::accept(listener, nullptr, nullptr);
    ASSERT_GE(peer, 0);
    ASSERT_TRUE(events.next(kMsgVexState, kVexStateUp));
    const std::uint8_t garbage[] = {'H', 'T', 'T', 'P', '/', '1', '.', '1', ' ', '2', '0', '0'};
    ASSERT_EQ(::send(peer, garbage, sizeof garbage, MSG_NOSIGNAL), static_cast<ssize_t>(sizeof garbage));
    EXPECT_TRUE(events.next(kMsgVexState, kVexStateDown));
    EXPECT_EQ(events.count(kMsgVexReceived, 1), 0);
    ::close(peer);
    ::close(listener);
}

} // namespace
} // namespace qar
