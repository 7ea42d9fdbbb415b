#include <gtest/gtest.h>

#include "ProtocolTestKit.h"

namespace {

const uint16_t kReadDataId = 0x321A;
const uint16_t kWriteDataId = 0xA4D6;

// The PC's side of the block commands, as plain exchanges.
struct BlockClient {
    explicit BlockClient(WiredPort& port) : port(port) {}

    int Command(const char* name, unsigned request, std::vector<uint8_t> data = {})
    {
        last = std::move(data);
        return port.Transfer(name, request, &last);
    }
    int Select(uint8_t area)
    {
        if (int s = Command("P.C.L.R.", 1); s != PROTO_OK) return s;
        return Command("P.A.R.E.", 0, {area});
    }
    std::vector<uint8_t> ReadArea(uint8_t area)
    {
        std::vector<uint8_t> bytes;
        if (Select(area) != PROTO_OK || Command("P.R.D.D.", 1) != PROTO_OK) return bytes;
        while (Command("P.R.D.D.", 1) == PROTO_OK && !last.empty())
            bytes.insert(bytes.end(), last.begin(), last.end());
        return bytes;
    }
    int WriteArea(uint8_t area, const std::vector<uint8_t>& bytes)
    {
        if (int s = Select(area); s != PROTO_OK) return s;
        if (int s = Command("P.W.R.T.", 0); s != PROTO_OK) return s;
        for (size_t at = 0; at < bytes.size(); at += 15) {
            const size_t n = std::min<size_t>(15, bytes.size() - at);
            if (int s = Command("P.W.R.T.", 0, {bytes.begin() + at, bytes.begin() + at + n}); s != PROTO_OK)
                return s;
        }
        return PROTO_OK;
    }

    WiredPort& port;
    std::vector<uint8_t> last;
};

std::vector<uint8_t> Bytes(size_t n, uint8_t seed)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(seed + i * 3);
    return v;
}

TEST(DeviceModel, TextsGoOutReversedInTheCyrillicCodePage)
{
    DeviceModelConfig config;
    config.model = "КЛХ41";
    config.version = "2.07";
    WiredPort port(config);
    BlockClient pc(port);
    ASSERT_EQ(pc.Command("dev", 1), PROTO_OK);
    EXPECT_EQ(pc.last, (std::vector<uint8_t>{'1', '4', 0xD5, 0xCB, 0xCA}));
    ASSERT_EQ(pc.Command("ver", 1), PROTO_OK);
    EXPECT_EQ(std::string(pc.last.begin(), pc.last.end()), "70.2");
    EXPECT_EQ(pc.Command("dev", 0, {1}), PROTO_NERR);  // read-only
}

TEST(DeviceModel, AnswersOnlyItsOwnAddress)
{
    WiredPort port;
    EXPECT_EQ(port.sio->TransferByName("dev", 1, 17, false, nullptr, nullptr), PROTO_NO_ANSWER);
    EXPECT_TRUE(port.device.Heard().empty());
    EXPECT_EQ(port.sio->TransferByName("dev", 1, 16, false, nullptr, nullptr), PROTO_OK);
    EXPECT_EQ(port.device.Heard().size(), 1u);
}

TEST(DeviceModel, ReadsAnAreaAfterItsHeading)
{
    WiredPort port;
    const std::vector<uint8_t> area = Bytes(31, 5);
    port.device.SetArea(16, area);
    BlockClient pc(port);
    ASSERT_EQ(pc.Select(16), PROTO_OK);
    uint32_t size = 0;
    ASSERT_EQ(port.sio->ReadValue("P.I.N.F.", 16, false, &size, -1), PROTO_OK);
    EXPECT_EQ(size, 0x1F000000u);  // least significant byte first
    EXPECT_EQ(pc.ReadArea(16), area);
    EXPECT_EQ(pc.Command("P.R.D.D.", 1), PROTO_OK);
    EXPECT_TRUE(pc.last.empty());  // stays at the end
}

TEST(DeviceModel, WriteReplacesTheAreaWhenTheTransferEnds)
{
    WiredPort port;
    std::vector<std::pair<uint8_t, size_t>> saved;
    port.device.OnAreaWritten([&](uint8_t area, const std::vector<uint8_t>& bytes) {
        saved.emplace_back(area, bytes.size());
    });
    const std::vector<uint8_t> before = port.device.Area(40);
    const std::vector<uint8_t> fresh = Bytes(31, 100);
    BlockClient pc(port);
    ASSERT_EQ(pc.WriteArea(40, fresh), PROTO_OK);
    EXPECT_EQ(port.device.Area(40), before);  // not yet complete
    EXPECT_TRUE(saved.empty());
    ASSERT_EQ(pc.Command("P.C.L.R.", 1), PROTO_OK);
    EXPECT_EQ(port.device.Area(40), fresh);
    EXPECT_EQ(saved, (std::vector<std::pair<uint8_t, size_t>>{{40, 31}}));
    EXPECT_EQ(pc.ReadArea(40), fresh);

    // An opened write with no blocks empties the area.
    ASSERT_EQ(pc.WriteArea(64, {}), PROTO_OK);
    ASSERT_EQ(pc.Command("P.R.S.T.", 1), PROTO_OK);
    EXPECT_TRUE(port.device.Area(64).empty());
    EXPECT_EQ(port.device.Restarts(), 1u);
}

TEST(DeviceModel, RefusesWhatADeviceCannotDo)
{
    WiredPort port;
    BlockClient pc(port);
    EXPECT_EQ(pc.Command("P.I.N.F.", 1), PROTO_NERR);         // no area selected
    EXPECT_EQ(pc.Command("P.A.R.E.", 0, {17}), PROTO_NERR);   // no such area
    ASSERT_EQ(pc.Select(0), PROTO_OK);
    EXPECT_EQ(pc.Command("P.W.R.T.", 0, {1, 2}), PROTO_NERR);  // write not opened
    EXPECT_EQ(pc.Command("rtC", 0, {1, 2}), PROTO_NERR);       // a clock needs 7 bytes
    EXPECT_EQ(pc.Command("abcd", 1), PROTO_NERR);
    // The nErr reply carries the device's error code.
    EXPECT_EQ(port.sio->m_recvHash, kNerrHash);
    EXPECT_EQ(port.sio->m_dataLength, 1u);
    EXPECT_EQ(port.sio->m_data[0], DEVERR_UNKNOWN_PARAMETER);
}

TEST(DeviceModel, RestartLeavesTheDeviceDeafForAWhile)
{
    DeviceModelConfig config;
    config.restartSilenceMs = 1000;
    WiredPort port(config);
    BlockClient pc(port);
    ASSERT_EQ(pc.Command("P.R.S.T.", 1), PROTO_OK);
    EXPECT_EQ(pc.Command("dev", 1), PROTO_NO_ANSWER);
    port.line->Advance(1000);
    EXPECT_EQ(pc.Command("dev", 1), PROTO_OK);
}

TEST(DeviceModel, AnswerLostAfterActingSkipsAReadBlockOnRetry)
{
    WiredPort port;
    port.device.SetArea(0, Bytes(45, 1));
    // Heading answer first, then block 1 goes out but is lost.
    port.device.AddFault({kReadDataId, 1, 1, {DeviceFault::LostAfterAct}});
    BlockClient pc(port);
    const std::vector<uint8_t> got = pc.ReadArea(0);
    const std::vector<uint8_t> all = Bytes(45, 1);
    EXPECT_EQ(got, std::vector<uint8_t>(all.begin() + 15, all.end()));
}

TEST(DeviceModel, AnswerLostAfterActingRepeatsAWriteBlockOnRetry)
{
    WiredPort port;
    port.device.AddFault({kWriteDataId, 1, 1, {DeviceFault::LostAfterAct}});
    BlockClient pc(port);
    const std::vector<uint8_t> fresh = Bytes(20, 9);
    ASSERT_EQ(pc.WriteArea(16, fresh), PROTO_OK);
    ASSERT_EQ(pc.Command("P.C.L.R.", 1), PROTO_OK);
    std::vector<uint8_t> expected(fresh.begin(), fresh.begin() + 15);
    expected.insert(expected.end(), fresh.begin(), fresh.end());
    EXPECT_EQ(port.device.Area(16), expected);
}

TEST(DeviceModel, FaultsThatDoNotActLeaveTheTransferIntact)
{
    WiredPort port;
    const std::vector<uint8_t> area = Bytes(60, 3);
    port.device.SetArea(16, area);
    for (DeviceFault kind : {DeviceFault::Silence, DeviceFault::BadCrc, DeviceFault::WrongId, DeviceFault::Garble})
        port.device.AddFault({kReadDataId, 1, 1, {kind}});
    BlockClient pc(port);
    EXPECT_EQ(pc.ReadArea(16), area);
}

TEST(DeviceModel, VanishesAfterSoManyRequests)
{
    DeviceModelConfig config;
    config.vanishAfter = 3;
    WiredPort port(config);
    BlockClient pc(port);
    EXPECT_EQ(pc.Select(0), PROTO_OK);
    EXPECT_EQ(pc.Command("P.I.N.F.", 1), PROTO_OK);
    EXPECT_EQ(pc.Command("P.R.D.D.", 1), PROTO_NO_ANSWER);
}

// A simulated device left running for days: its record of what it heard
// stays bounded, and counting for --vanish-after goes on beyond it.
TEST(DeviceModel, TheRecordOfHeardRequestsKeepsOnlyTheLatest)
{
    auto requestText = [](const char* name) {
        FrameCodec codec;
        codec.ResetFrame();
        codec.BuildFrameByName(name, true, 16, false);
        return std::string(codec.m_txText, codec.m_txLength);
    };
    const std::string dev = requestText("dev");
    const std::string ver = requestText("ver");
    DeviceModelConfig config;
    config.vanishAfter = 5 * DeviceModel::kHeardKept + 1;
    DeviceModel device(config);
    std::string requests;
    for (std::size_t i = 0; i < 5 * DeviceModel::kHeardKept; ++i) requests += dev;
    EXPECT_EQ(device.Receive(requests, 0).size(), 5 * DeviceModel::kHeardKept);
    ASSERT_EQ(device.Receive(ver, 0).size(), 1u);
    EXPECT_EQ(device.HeardCount(), 5 * DeviceModel::kHeardKept + 1);
    EXPECT_GE(device.Heard().size(), DeviceModel::kHeardKept);
    EXPECT_LE(device.Heard().size(), 2 * DeviceModel::kHeardKept);
    EXPECT_EQ(device.Heard().back().id, NameHash("ver", 3));
    EXPECT_EQ(device.Heard()[device.Heard().size() - 2].id, NameHash("dev", 3));
    EXPECT_TRUE(device.Receive(dev, 0).empty());
}

TEST(DeviceModel, EndlessDataNeverSendsTheEmptyAnswer)
{
    DeviceModelConfig config;
    config.endlessReadData = true;
    WiredPort port(config);
    port.device.SetArea(64, Bytes(4, 0));
    BlockClient pc(port);
    ASSERT_EQ(pc.Select(64), PROTO_OK);
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(pc.Command("P.R.D.D.", 1), PROTO_OK);
        EXPECT_FALSE(pc.last.empty());
    }
}

TEST(DeviceModel, RandomFaultsAreRepeatableBySeed)
{
    auto statuses = [](uint32_t seed) {
        WiredPort port;
        port.device.SetRandomFaults(0.5, seed, {DeviceFault::Silence, DeviceFault::Nerr, DeviceFault::BadCrc});
        std::vector<int> s;
        for (int i = 0; i < 20; ++i) s.push_back(port.sio->TransferByName("dev", 1, 16, false, nullptr, nullptr));
        return s;
    };
    const std::vector<int> first = statuses(42);
    EXPECT_EQ(first, statuses(42));
    EXPECT_NE(std::count(first.begin(), first.end(), PROTO_OK), 20);
}

TEST(DeviceModel, IgnoresNoiseAndGarbledRequests)
{
    DeviceModel device;
    const uint64_t now = 0;
    EXPECT_TRUE(device.Receive("     \r\r", now).empty());
    EXPECT_TRUE(device.Receive("#HGHGTMOHPGMX\r", now).empty());            // bad letter
    EXPECT_TRUE(device.Receive("#HGHGTMOHPGMP\r", now).empty());            // bad CRC
    EXPECT_TRUE(device.Receive("#" + std::string(60, 'G') + "\r", now).empty());
    // A '#' starts a request anew, so a broken one before it does no harm.
    const Answer answer = device.Receive("#HGH#HGHGTMOHPGMO\r", now);
    ASSERT_EQ(answer.size(), 1u);
    EXPECT_EQ(answer[0].delayMs, device.Config().turnaroundMs);
    EXPECT_EQ(device.Heard().size(), 1u);
}

}  // namespace
