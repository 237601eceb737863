#pragma once

#include "vexnet/IVexLink.h"
#include "vexnet/VexFrame.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace qar
{

/// One message of the network library: items put in order (little-endian) and sent through the
/// bound client, or received from it and read back item by item.
class CZNetData
{
public:
    CZNetData() = default;
    explicit CZNetData(IVexLink* link) : m_link(link) {}
    /// An incoming message the library announced with `messageId`; RecvFromServer fetches it.
    CZNetData(IVexLink* link, std::uint32_t messageId) : m_link(link), m_messageId(messageId) {}
    virtual ~CZNetData();

    void SetVexLink(IVexLink* link) { m_link = link; }
    IVexLink* GetVexLink() const { return m_link; }

    void PutData(std::uint8_t value);
    void PutData(std::uint16_t value);
    void PutData(std::uint32_t value);
    /// Only the three widths above exist on the wire: anything else must be converted on purpose.
    template <class T> void PutData(T) = delete;

    /// Sends the items put so far. False when there is no client or the client dropped the message.
    bool SendToServer();
    /// Takes the announced message from the client; `length` receives its size in bytes.
    bool RecvFromServer(std::size_t& length);

    // Each reads the item at `position` and moves `position` past it; nothing when the message ends
    // before the item does.
    std::optional<std::uint8_t> GetDataOfByte(std::size_t& position) const;
    std::optional<std::uint16_t> GetDataOfWord(std::size_t& position) const;
    std::optional<std::uint32_t> GetDataOfLong(std::size_t& position) const;

    const VexPayload& payload() const { return m_payload; }
    void setPayload(VexPayload payload) { m_payload = std::move(payload); }

private:
    void putLittleEndian(std::uint32_t value, int bytes);
    std::optional<std::uint32_t> getLittleEndian(std::size_t& position, int bytes) const;

    IVexLink* m_link = nullptr;
    std::optional<std::uint32_t> m_messageId;
    VexPayload m_payload;
};

} // namespace qar
