#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qar
{

using VexPayload = std::vector<std::uint8_t>;

/// Largest payload a frame may announce; a longer length means the stream is not ours.
inline constexpr std::size_t kMaxVexPayload = 64 * 1024;

/// One frame on the wire: the payload's length as 4 bytes little-endian, then the payload.
std::vector<std::uint8_t> encodeVexFrame(const VexPayload& payload);

/// Cuts a byte stream into payloads. Bytes may arrive in any pieces; a frame announcing more than
/// kMaxVexPayload bytes spoils the stream for good (the connection must be dropped). An empty frame is
/// a keep-alive: the client's probe, or the server's answer to it.
class VexFrameReader
{
public:
    enum class Status
    {
        NeedMore,  ///< no complete frame buffered
        Frame,     ///< one payload handed out
        KeepAlive, ///< an empty frame
        Garbage,   ///< the stream is unusable
    };

    void feed(const std::uint8_t* data, std::size_t size);
    /// The next complete frame, if any: a payload or a keep-alive.
    Status next(VexPayload& payload);
    /// Bytes buffered and not yet handed out.
    std::size_t pending() const { return m_buffer.size() - m_start; }

private:
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_start = 0;
    bool m_garbage = false;
};

} // namespace qar
