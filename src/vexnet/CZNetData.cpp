#include "vexnet/CZNetData.h"

#include <utility>

namespace qar
{

CZNetData::~CZNetData() = default;

void CZNetData::putLittleEndian(std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        m_payload.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

void CZNetData::PutData(std::uint8_t value)
{
    putLittleEndian(value, 1);
}

void CZNetData::PutData(std::uint16_t value)
{
    putLittleEndian(value, 2);
}

void CZNetData::PutData(std::uint32_t value)
{
    putLittleEndian(value, 4);
}

bool CZNetData::SendToServer()
{
    if (m_link == nullptr || m_payload.empty()) {
        return false;
    }
    return m_link->sendPayload(m_payload);
}

bool CZNetData::RecvFromServer(std::size_t& length)
{
    length = 0;
    if (m_link == nullptr || !m_messageId) {
        return false;
    }
    std::optional<VexPayload> message = m_link->takeMessage(*m_messageId);
    // A message is handed out once; asking again finds nothing.
    m_messageId.reset();
    if (!message) {
        return false;
    }
    m_payload = std::move(*message);
    length = m_payload.size();
    return true;
}

std::optional<std::uint32_t> CZNetData::getLittleEndian(std::size_t& position, int bytes) const
{
    if (position > m_payload.size() || m_payload.size() - position < static_cast<std::size_t>(bytes)) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        value |= static_cast<std::uint32_t>(m_payload[position + static_cast<std::size_t>(i)]) << (8 * i);
    }
    position += static_cast<std::size_t>(bytes);
    return value;
}

std::optional<std::uint8_t> CZNetData::GetDataOfByte(std::size_t& position) const
{
    auto value = getLittleEndian(position, 1);
    return value ? std::optional<std::uint8_t>(static_cast<std::uint8_t>(*value)) : std::nullopt;
}

std::optional<std::uint16_t> CZNetData::GetDataOfWord(std::size_t& position) const
{
    auto value = getLittleEndian(position, 2);
    return value ? std::optional<std::uint16_t>(static_cast<std::uint16_t>(*value)) : std::nullopt;
}

std::optional<std::uint32_t> CZNetData::GetDataOfLong(std::size_t& position) const
{
    return getLittleEndian(position, 4);
}

} // namespace qar
