#include "vexnet/VexFrame.h"

namespace qar
{

std::vector<std::uint8_t> encodeVexFrame(const VexPayload& payload)
{
    std::vector<std::uint8_t> frame;
    frame.reserve(4 + payload.size());
    const auto length = static_cast<std::uint32_t>(payload.size());
    for (int shift = 0; shift < 32; shift += 8) {
        frame.push_back(static_cast<std::uint8_t>(length >> shift));
    }
    frame.insert(frame.end(), payload.begin(), payload.end());
    return frame;
}

void VexFrameReader::feed(const std::uint8_t* data, std::size_t size)
{
    if (m_garbage || size == 0) {
        return;
    }
    // Compact now and then so a long-lived connection does not grow its buffer without end.
    if (m_start > 0 && m_start * 2 >= m_buffer.size()) {
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(m_start));
        m_start = 0;
    }
    m_buffer.insert(m_buffer.end(), data, data + size);
}

VexFrameReader::Status VexFrameReader::next(VexPayload& payload)
{
    if (m_garbage) {
        return Status::Garbage;
    }
    if (pending() < 4) {
        return Status::NeedMore;
    }
    const std::uint8_t* head = m_buffer.data() + m_start;
    const std::uint32_t length = static_cast<std::uint32_t>(head[0]) | static_cast<std::uint32_t>(head[1]) << 8 |
                                 static_cast<std::uint32_t>(head[2]) << 16 | static_cast<std::uint32_t>(head[3]) << 24;
    if (length > kMaxVexPayload) {
        m_garbage = true;
        m_buffer.clear();
        m_start = 0;
        return Status::Garbage;
    }
    if (pending() < 4 + std::size_t{length}) {
        return Status::NeedMore;
    }
    payload.assign(head + 4, head + 4 + length);
    m_start += 4 + std::size_t{length};
    if (m_start == m_buffer.size()) {
        m_buffer.clear();
        m_start = 0;
    }
    return length != 0 ? Status::Frame : Status::KeepAlive;
}

} // namespace qar
