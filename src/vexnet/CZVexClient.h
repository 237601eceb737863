#pragma once

#include "vexnet/IVexLink.h"
#include "vexnet/VexProtocol.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <netdb.h>
#include <string>

namespace qar
{

/// One notification of the library to its owner, shaped like the window message it stands for:
/// kMsgVexState with wParam = selector and lParam = state, or kMsgVexReceived with lParam = the id
/// of the waiting message.
struct VexEvent
{
    unsigned message = 0;
    std::uint32_t wParam = 0;
    std::int64_t lParam = 0;
};

/// Receives the library's events. It is called on the client's worker thread, never on the owner's:
/// it must only hand the event over (a queued event to the user-interface thread) and return.
using VexEventSink = std::function<void(const VexEvent&)>;

/// Client side of the network library. It connects by itself to the server over TCP and keeps
/// reconnecting with growing pauses while the server is away; the owner never calls a connect
/// operation. Events: state 1 (selector 0) when a connection comes up, state 0 when one is lost,
/// state 3 while too much output waits and state 1 with selector 1 when it has drained; 3025 for
/// every incoming message. State events carry the number of their connection in bits 8-31 of the
/// selector (see isCurrentEvent). Sends while no connection is up are dropped.
///
/// A server that stops answering while connected is taken as lost: the client sends a keep-alive
/// after every message and whenever the line was quiet for `keepAliveInterval`, and one that stays
/// unanswered for `keepAliveTimeout` ends the connection. The answers also tell which messages the
/// server has read (isDelivered). A host name is looked up on a thread of its own that nobody waits
/// for, so the client's destruction never waits for the name service.
class CZVexClient final : public IVexLink
{
public:
    struct Options
    {
        std::string host = "127.0.0.1";
        std::uint16_t port = vexnetPort();
        std::chrono::milliseconds minBackoff{250};
        std::chrono::milliseconds maxBackoff{5000};
        std::chrono::milliseconds connectTimeout{3000};
        /// Unsent bytes above which the client reports itself busy.
        std::size_t busyBytes = 256 * 1024;
        std::chrono::milliseconds keepAliveInterval{2000};
        std::chrono::milliseconds keepAliveTimeout{3000};
        /// Looks a host name up (getaddrinfo's contract; the result is freed with freeaddrinfo).
        /// Tests put a slow one in its place.
        using Resolver = int (*)(const char* host, const char* service, const addrinfo* hints, addrinfo** result);
        Resolver resolve = &::getaddrinfo;
    };

    /// Starts the worker thread, which begins connecting at once.
    CZVexClient(Options options, VexEventSink sink);
    /// Stops and joins the worker; no event is delivered after it returns.
    ~CZVexClient() override;
    CZVexClient(const CZVexClient&) = delete;
    CZVexClient& operator=(const CZVexClient&) = delete;

    bool sendPayload(VexPayload payload) override;
    std::uint64_t lastSendTicket() const override;
    bool isDelivered(std::uint64_t ticket) const override;
    std::optional<VexPayload> takeMessage(std::uint32_t messageId) override;
    /// Drops the current connection and the queued output without an event; the client keeps
    /// trying to connect, so a server started later is still found.
    void Shutdown() override;
    bool isCurrentEvent(std::uint32_t selector) const override;
    int GetState() const override;
    void SetState(int state) override;

    /// Whether a connection is up right now (the worker's view, not the recorded state).
    bool isConnected() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace qar
