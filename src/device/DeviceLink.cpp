// Worker thread, single requests and the hand-over of area transfers.
#include "device/DeviceLink.h"

#include <chrono>
#include <string>
#include <system_error>

#include "device/Prompts.h"

namespace {

void SleepFor(uint32_t milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace

DeviceLink::DeviceLink(Prompts& prompts, ProgressDialogs& dialogs, std::filesystem::path areaFolder)
    : m_prompts(prompts), m_dialogs(dialogs), m_areaBase(std::move(areaFolder)), m_sleeper(SleepFor)
{
}

DeviceLink::~DeviceLink() { Stop(); }

// Taken when first needed, so a link that only writes or identifies never
// holds a folder another job might have used.
const std::filesystem::path& DeviceLink::AreaFolder()
{
    if (!m_areaFolder) m_areaFolder = HeldAreaFolder::Take(m_areaBase);
    return m_areaFolder->Path();
}

std::filesystem::path DeviceLink::AreaFilePath(uint8_t area)
{
    return AreaFolder() / ("config_" + std::to_string(area) + ".dat");
}

int DeviceLink::Start(const CommSettings& newSettings)
{
    if (m_thread.joinable()) return LINK_WORKER_EXISTS;
    // What CreateSio does, keeping the port object long enough to learn
    // why an open failed.
    auto port = std::make_unique<Sio>(m_lineFactory ? m_lineFactory() : MakePlatformSerialLine(), m_sleeper);
    port->Configure(newSettings);
    int result = port->Reopen();
    m_lastOpenDetail = result == 0 ? std::string()
                                   : texts::PortOpenDetail(port->Line().LastOpenError(), port->Line().LastOpenDetail());
    if (result != 0) port.reset();
    m_port = std::move(port);
    settings = newSettings;
    try {
        m_thread = std::thread(&DeviceLink::WorkerLoop, this);
    } catch (const std::system_error&) {
        m_port.reset();
        return LINK_THREAD_FAILED;
    }
    return result;
}

void DeviceLink::Stop()
{
    if (!m_thread.joinable()) return;
    m_events.Set(kQuitEvent);
    m_thread.join();
    m_events.ResetAll();
    m_requestDoneEvent.Reset();
    m_quietProbe.reset();
    m_port.reset();
    std::lock_guard guard(m_lock);
    m_readCancel = false;
    m_writeCancel = false;
    m_currentJob = nullptr;
}

void DeviceLink::WorkerLoop()
{
    for (;;) {
        int event = m_events.WaitAny(m_waitTimeout);
        if (event == kQuitEvent) return;
        if (event < 0 || !m_port) continue;
        if (event == kRequestEvent && m_pendingRequest) {
            if (m_pendingProbe) QuietProbe(m_pendingRequest);
            else ExecuteRequest(m_pendingRequest, m_pendingRead);
            m_requestDoneEvent.Set();
        } else if (event == kAreaReadEvent) {
            TransferAreaRead();
        } else if (event == kAreaWriteEvent) {
            TransferAreaWrite();
        }
    }
}

bool DeviceLink::ReadParam(ParamRequest* request) { return SubmitRequest(request, true); }
bool DeviceLink::WriteParam(ParamRequest* request) { return SubmitRequest(request, false); }

bool DeviceLink::SubmitRequest(ParamRequest* request, bool read)
{
    if (!request || m_pendingRequest) return false;
    // Without an open port the worker would swallow the request and the
    // caller would wait for ever.
    if (!ServesRequests()) {
        request->status = LINK_NO_PORT;
        return false;
    }
    m_pendingRequest = request;
    request->busy = true;
    m_pendingRead = read;
    m_events.Set(kRequestEvent);
    const auto wait = [this] { m_requestDoneEvent.Wait(AutoResetEvent::kInfinite); };
    if (m_requestWaiter)
        m_requestWaiter(wait);
    else
        wait();
    request->busy = false;
    m_pendingRequest = nullptr;
    return request->status == 0;
}

bool DeviceLink::BeginAreaRead(AreaJob* job)
{
    if (!job || HasCurrentJob()) return false;
    if (identifyPending && !Identify()) return false;
    return HandOver(job, kAreaReadEvent);
}

bool DeviceLink::BeginAreaWrite(AreaJob* job)
{
    if (!job || HasCurrentJob()) return false;
    return HandOver(job, kAreaWriteEvent);
}

bool DeviceLink::HasCurrentJob()
{
    std::lock_guard guard(m_lock);
    return m_currentJob != nullptr;
}

bool DeviceLink::HandOver(AreaJob* job, int event)
{
    if (!ServesRequests()) {
        job->status = LINK_NO_PORT;
        return false;
    }
    {
        std::lock_guard guard(m_lock);
        if (m_currentJob) return false;
        // A cancel confirmed after the last transfer had ended left its
        // flag behind; it must not cancel this one before it starts.
        if (!m_heldJob) {
            m_readCancel = false;
            m_writeCancel = false;
        }
        m_currentJob = job;
    }
    m_events.Set(event);
    return true;
}

void DeviceLink::CancelAreaRead()
{
    std::lock_guard guard(m_lock);
    m_readCancel = true;
    m_currentJob = nullptr;
}

void DeviceLink::CancelAreaWrite()
{
    std::lock_guard guard(m_lock);
    m_writeCancel = true;
    m_currentJob = nullptr;
}

void DeviceLink::WaitUntilReleased(const AreaJob* job)
{
    std::unique_lock guard(m_lock);
    m_released.wait(guard, [&] { return m_heldJob != job; });
}

bool DeviceLink::PortLost() { return m_port && m_port->Line().Lost(); }

bool DeviceLink::ServesRequests() const { return m_thread.joinable() && m_port != nullptr; }

AreaJob* DeviceLink::TakeJob(std::atomic<bool>& cancel)
{
    std::lock_guard guard(m_lock);
    if (cancel || !m_currentJob) {
        cancel = false;
        return nullptr;
    }
    m_heldJob = m_currentJob;
    return m_currentJob;
}

bool DeviceLink::EndTransfer(std::atomic<bool>& cancel)
{
    std::lock_guard guard(m_lock);
    bool cancelled = cancel;
    if (!cancelled) m_currentJob = nullptr;
    cancel = false;
    return cancelled;
}

void DeviceLink::Release()
{
    {
        std::lock_guard guard(m_lock);
        m_heldJob = nullptr;
    }
    m_released.notify_all();
}

void DeviceLink::Post(const std::shared_ptr<AreaNotifyTarget>& notify, const AreaMessage& message)
{
    if (notify) notify->Post(message);
}
