#pragma once

#include "vexnet/VexFrame.h"

#include <cstdint>
#include <optional>

namespace qar
{

/// What a message object needs of the client it is bound to; CZVexClient is the real one, tests
/// put a recorder in its place.
class IVexLink
{
public:
    virtual ~IVexLink() = default;

    /// Queues one payload for the server. False when it was dropped (no connection): not an error.
    virtual bool sendPayload(VexPayload payload) = 0;
    /// A number for the payload the last successful sendPayload queued; 0 from a link that cannot tell
    /// whether the server read it.
    virtual std::uint64_t lastSendTicket() const { return 0; }
    /// Whether the server has read the payload of `ticket` (it answered a keep-alive sent after it).
    /// False while that is not known, and for a payload lost with its connection; true for ticket 0.
    virtual bool isDelivered(std::uint64_t ticket) const { return ticket == 0; }
    /// Hands out (and forgets) the incoming message announced with `messageId`.
    virtual std::optional<VexPayload> takeMessage(std::uint32_t messageId) = 0;
    /// Drops the current connection and whatever waits to be sent.
    virtual void Shutdown() = 0;

    /// Whether a connection-state event (its selector) concerns the current connection. False for one
    /// sent before the library connected anew: acting on it would drop the new connection. Events that
    /// name no connection (selector bits 8-31 zero, e.g. the owner's own) are always current.
    virtual bool isCurrentEvent(std::uint32_t /*selector*/) const { return true; }

    /// The last connection state the owner recorded.
    virtual int GetState() const = 0;
    virtual void SetState(int state) = 0;
};

} // namespace qar
