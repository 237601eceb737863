// Feeds arbitrary bytes, cut into arbitrary pieces, through the frame reader the tool uses on the
// server's connection, and reads every payload back item by item as the message handlers do.
#include "vexnet/CZNetData.h"
#include "vexnet/VexFrame.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    // The first byte chooses the size of the pieces the stream arrives in.
    const std::size_t piece = 1 + data[0] % 17;
    ++data;
    --size;

    qar::VexFrameReader reader;
    std::size_t fed = 0;
    std::size_t handedOut = 0;
    while (fed < size) {
        const std::size_t n = size - fed < piece ? size - fed : piece;
        reader.feed(data + fed, n);
        fed += n;
        qar::VexPayload payload;
        qar::VexFrameReader::Status status;
        while ((status = reader.next(payload)) == qar::VexFrameReader::Status::Frame ||
               status == qar::VexFrameReader::Status::KeepAlive) {
            if (payload.size() > qar::kMaxVexPayload) {
                std::abort();
            }
            handedOut += payload.size() + 4;
            qar::CZNetData message;
            message.setPayload(payload);
            std::size_t position = 0;
            // Walk the message with every item width until it runs out; a read never moves past the end.
            for (int step = 0;; ++step) {
                const std::size_t before = position;
                const bool ok = (step % 3 == 0)   ? message.GetDataOfWord(position).has_value()
                                : (step % 3 == 1) ? message.GetDataOfLong(position).has_value()
                                                  : message.GetDataOfByte(position).has_value();
                if (position > payload.size() || (!ok && position != before)) {
                    std::abort();
                }
                if (!ok) {
                    break;
                }
            }
            // A frame re-encoded must read back as the same payload.
            qar::VexFrameReader again;
            const auto frame = qar::encodeVexFrame(payload);
            again.feed(frame.data(), frame.size());
            qar::VexPayload back;
            if (!payload.empty() && (again.next(back) != qar::VexFrameReader::Status::Frame || back != payload)) {
                std::abort();
            }
        }
        if (status == qar::VexFrameReader::Status::Garbage) {
            break;
        }
    }
    if (handedOut > fed) {
        std::abort();
    }
    return 0;
}
