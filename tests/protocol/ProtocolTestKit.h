#pragma once
// A port object wired to a device model through an in-process line, with
// the pauses of the exchange recorded instead of slept (they also move the
// line's virtual clock, as real pauses would).

#include <memory>
#include <string>
#include <vector>

#include "DeviceModel.h"
#include "InProcessLine.h"
#include "protocol/Sio.h"

// The text of an answer as a device would build it.
inline std::string AnswerText(uint16_t id, const std::vector<uint8_t>& data, unsigned address = 16,
                              bool elevenBit = false)
{
    FrameCodec device;
    device.ResetFrame();
    std::copy(data.begin(), data.end(), device.m_data);
    device.m_dataLength = static_cast<uint32_t>(data.size());
    device.BuildFrameByHash(id, false, address, elevenBit);
    return std::string(device.m_txText, device.m_txLength);
}

inline CommSettings TestSettings(uint8_t converter = 1, uint32_t baud = 115200)
{
    CommSettings s;
    s.com = 1;
    s.address = 16;
    s.adress_len = 8;
    s.converter = converter;
    s.baud_rate = baud;
    s.parity = 0;
    s.stop_bits = 0;
    s.byte_size = 8;
    s.rs_type = 1;
    return s;
}

struct WiredPort {
    explicit WiredPort(DeviceModelConfig config = {}, CommSettings settings = TestSettings())
        : device(std::move(config))
    {
        auto owned = std::make_unique<InProcessLine>(&device);
        line = owned.get();
        sio = std::make_unique<Sio>(std::move(owned), [this](uint32_t ms) {
            pauses.push_back(ms);
            line->Advance(ms);
        });
        sio->Configure(settings);
        openStatus = sio->Open();
    }

    int Transfer(const char* name, unsigned request, std::vector<uint8_t>* data)
    {
        uint8_t buffer[16] = {};
        uint32_t length = static_cast<uint32_t>(data->size());
        std::copy(data->begin(), data->end(), buffer);
        const int status = sio->TransferByName(name, request, 16, false, buffer, &length);
        data->assign(buffer, buffer + length);
        return status;
    }

    size_t Transmissions() const { return line->Requests().size(); }

    DeviceModel device;
    InProcessLine* line = nullptr;
    std::vector<uint32_t> pauses;
    std::unique_ptr<Sio> sio;
    int openStatus = 0;
};
