#include "vexnet/VexFrame.h"

#include "vexnet/CXCntNetData.h"
#include "vexnet/VexProtocol.h"

#include <gtest/gtest.h>

namespace qar
{
namespace
{

// The refresh notification on the wire: its length, then its items in little-endian order; a receiver
// reads them back item by item.
TEST(VexFrame, RefreshNotificationHasLengthThenLittleEndianItems)
{
    CXCntNetData message(kNetDataKindControl);
    message.PutData(kCodeRefresh);
    message.PutData(std::uint32_t{kRefreshUnits | kRefreshGroups});
    const std::vector<std::uint8_t> expected = {0x06, 0x00, 0x00, 0x00, 0x22, 0x02, 0x21, 0x00, 0x00, 0x00};
    EXPECT_EQ(encodeVexFrame(message.payload()), expected);

    CZNetData received;
    received.setPayload(message.payload());
    std::size_t position = 0;
    EXPECT_EQ(received.GetDataOfWord(position), kCodeRefresh);
    EXPECT_EQ(received.GetDataOfLong(position), kRefreshUnits | kRefreshGroups);
    EXPECT_FALSE(received.GetDataOfByte(position)); // nothing past the end
}

TEST(VexFrame, ReaderCutsStreamWhateverThePieces)
{
    std::vector<std::uint8_t> stream;
    const std::vector<VexPayload> sent = {{0x22, 0x02, 0x02, 0, 0, 0}, {}, {0x22, 0x01, 0, 7, 0, 0, 0, 2}, {0x01}};
    for (const auto& payload : sent) {
        const auto frame = encodeVexFrame(payload);
        stream.insert(stream.end(), frame.begin(), frame.end());
    }
    for (std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{7}, stream.size()}) {
        SCOPED_TRACE(piece);
        VexFrameReader reader;
        std::vector<VexPayload> got;
        VexFrameReader::Status last{};
        for (std::size_t at = 0; at < stream.size(); at += piece) {
            reader.feed(stream.data() + at, std::min(piece, stream.size() - at));
            for (VexPayload payload; (last = reader.next(payload)) != VexFrameReader::Status::NeedMore;) {
                // The empty frame is a keep-alive; it says so and hands out nothing.
                got.push_back(last == VexFrameReader::Status::KeepAlive ? VexPayload{0xEE} : payload);
            }
        }
        EXPECT_EQ(got, (std::vector<VexPayload>{sent[0], {0xEE}, sent[2], sent[3]}));
        EXPECT_EQ(last, VexFrameReader::Status::NeedMore);
        EXPECT_EQ(reader.pending(), 0U);
    }
}

TEST(VexFrame, TruncatedFrameWaitsAndOversizedLengthSpoilsTheStream)
{
    const auto frame = encodeVexFrame({0x22, 0x02, 0x21, 0, 0, 0});
    for (std::size_t cut = 0; cut < frame.size(); ++cut) {
        SCOPED_TRACE(cut);
        VexFrameReader reader;
        reader.feed(frame.data(), cut);
        VexPayload payload;
        EXPECT_EQ(reader.next(payload), VexFrameReader::Status::NeedMore);
    }
    VexFrameReader reader;
    const std::uint8_t garbage[] = {0xFF, 0xFF, 0xFF, 0x7F, 'h', 'e', 'l', 'l', 'o'};
    reader.feed(garbage, sizeof garbage);
    reader.feed(frame.data(), frame.size());
    VexPayload payload;
    EXPECT_EQ(reader.next(payload), VexFrameReader::Status::Garbage);
    EXPECT_EQ(reader.next(payload), VexFrameReader::Status::Garbage);
    // The largest allowed payload still passes.
    VexFrameReader big;
    const auto largest = encodeVexFrame(VexPayload(kMaxVexPayload, 0x5A));
    big.feed(largest.data(), largest.size());
    EXPECT_EQ(big.next(payload), VexFrameReader::Status::Frame);
    EXPECT_EQ(payload.size(), kMaxVexPayload);
}

} // namespace
} // namespace qar
