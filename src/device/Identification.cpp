// Who the connected device is: its model ("dev") and software version ("ver").
#include "configfile/ConfigHeader.h"
#include "device/DeviceLink.h"
#include "device/DeviceText.h"
#include "resources/DeviceTexts.h"

namespace {

constexpr uint16_t kDevHash = 54913;
constexpr uint16_t kVerHash = 11611;

}  // namespace

void DeviceLink::Tell(const std::string& text, MsgIcon icon)
{
    m_prompts.Show({text, icon, MsgButtons::Ok, false, MsgCaption::Application});
}

// A device without the parameter answers nErr every time; one nErr may
// also be noise, and taken for "no such parameter" it would skip the model
// check. So it is asked once more, and only a second nErr counts.
bool DeviceLink::ReadIdentity(ParamRequest& request, const char* name, uint16_t hash, bool askNerrAgain)
{
    for (int asked = 0;; ++asked) {
        request = ParamRequest{};
        request.name = name;
        request.hash = hash;
        if (ReadParam(&request) || request.status != PROTO_NERR || !askNerrAgain || retries == 0 || asked == 1)
            return request.status == 0;
    }
}

bool DeviceLink::Answers()
{
    ParamRequest request;
    request.name = "dev";
    request.hash = kDevHash;
    m_pendingProbe = true;
    const bool answered = ReadParam(&request);
    m_pendingProbe = false;
    return answered;
}

// On the worker. An nErr is an answer too: a device is there, whatever it
// makes of "dev".
void DeviceLink::QuietProbe(ParamRequest* request)
{
    if (!m_quietProbe) {
        m_quietProbe = std::make_unique<LineProbe>(*m_port, SteadyMicroClock());
        m_quietProbe->Begin(ElevenBit(), ProbeTimingFor(m_port->m_active.format, m_port->Line().LatencyMs()));
    }
    const uint16_t own = settings.address & (ElevenBit() ? 0x7FF : 0xFF);
    const auto heard = [&] {
        bool any = false;
        for (const HeardAnswer& answer : m_quietProbe->TakeAnswers()) any = any || answer.address == own;
        return any;
    };
    // The answer to the last probe, come after its wait, is answer enough:
    // no new request goes out, so none is still being answered when a job
    // takes the port.
    m_quietProbe->Pause();
    bool answered = heard();
    if (!answered) {
        m_quietProbe->Probe(settings.address);
        answered = heard();
    }
    request->status = answered ? PROTO_OK : PROTO_NO_ANSWER;
}

bool DeviceLink::Identify()
{
    ParamRequest request;
    ReadIdentity(request, "dev", kDevHash);
    if (request.status == 0) {
        std::u16string model = DecodeDeviceText(request.data, request.length);
        if (!IsSupportedModel(model)) {
            deviceRefused = true;
            refusalCode = 4;
            return false;
        }
        SetHeaderDeviceName(readHeader, model);
    } else if (request.status != PROTO_NERR) {
        Tell(std::string(texts::kDevUnreadable) + texts::StatusText(request.status), MsgIcon::Error);
        return false;
    }
    ReadIdentity(request, "ver", kVerHash);
    if (request.status == 0) {
        SetHeaderSoftwareVersion(readHeader, DecodeDeviceText(request.data, request.length));
    } else if (request.status != PROTO_NERR) {
        Tell(std::string(texts::kVerUnreadable) + texts::StatusText(request.status), MsgIcon::Error);
        return false;
    }
    identifyPending = false;
    return true;
}

int DeviceLink::CheckWriteTarget()
{
    ParamRequest request;
    ReadIdentity(request, "dev", kDevHash);
    if (request.status == 0) {
        std::u16string model = DecodeDeviceText(request.data, request.length);
        lastWriteDevice.model = model;
        // Case counts here: the file must come from this very model.
        if (!IsSupportedModel(model) || model != HeaderDeviceName(header)) {
            deviceRefused = true;
            refusalCode = 7;
            return 0;
        }
    } else if (request.status != PROTO_NERR) {
        Tell(std::string(texts::kDevUnreadable) + texts::StatusText(request.status), MsgIcon::Error);
        return 0;
    }
    ReadIdentity(request, "ver", kVerHash);
    if (request.status == 0) {
        lastWriteDevice.version = DecodeDeviceText(request.data, request.length);
        if (*lastWriteDevice.version != HeaderSoftwareVersion(header)) {
            MessageBoxRequest question{texts::kVersionMismatchQuestion, MsgIcon::Exclamation, MsgButtons::YesNo, true,
                                       MsgCaption::Application};
            if (m_prompts.Show(question) != MsgAnswer::Yes) {
                lastWrite.declined = true;
                return 0;
            }
        }
    } else if (request.status != PROTO_NERR) {
        Tell(std::string(texts::kVerUnreadable) + texts::StatusText(request.status), MsgIcon::Error);
        return 0;
    }
    return 1;
}
