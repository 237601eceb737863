#pragma once

#include "app/ServerControl.h"
#include "vexnet/IVexLink.h"

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace qar::test
{

/// A network client that keeps what is sent while "connected" and hands out each message the test
/// leaves waiting once.
class RecordingLink : public IVexLink
{
public:
    bool connected = true;
    std::vector<VexPayload> sent;
    std::map<std::uint32_t, VexPayload> waiting;
    int state = -1;
    int shutdowns = 0;

    bool sendPayload(VexPayload payload) override
    {
        if (connected) {
            sent.push_back(std::move(payload));
        }
        return connected;
    }
    std::optional<VexPayload> takeMessage(std::uint32_t messageId) override
    {
        const auto it = waiting.find(messageId);
        if (it == waiting.end()) {
            return std::nullopt;
        }
        VexPayload payload = std::move(it->second);
        waiting.erase(it);
        return payload;
    }
    void Shutdown() override
    {
        ++shutdowns;
        connected = false;
    }
    /// Events of the connection with selector kStaleSelector come from one the library has replaced.
    bool isCurrentEvent(std::uint32_t selector) const override { return selector != kStaleSelector; }
    static constexpr std::uint32_t kStaleSelector = 0x200;
    int GetState() const override { return state; }
    void SetState(int newState) override { state = newState; }
    /// Sends are numbered from 1; the server has read those up to `readUpTo` (all unless the test says).
    std::uint64_t readUpTo = ~std::uint64_t{0};
    std::uint64_t lastSendTicket() const override { return sent.size(); }
    bool isDelivered(std::uint64_t ticket) const override { return ticket <= readUpTo; }
};

/// A server seen by its window or its process, as the test says.
class FakeProbe : public IServerProbe
{
public:
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

} // namespace qar::test
