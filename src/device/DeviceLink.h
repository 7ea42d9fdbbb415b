#pragma once
// The single device-operations object: it owns the worker thread and the
// open port, hands single parameter requests and area transfers to the
// worker, identifies the device and runs the read and write jobs.
//
// Two threads: the caller's (the user-interface thread), which calls every
// public operation, and the worker, which alone touches the port.

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "configfile/ConfigHeader.h"
#include "device/AreaFolder.h"
#include "device/AreaJob.h"
#include "device/LineProbe.h"
#include "device/ParamRequest.h"
#include "device/ProgressDialogs.h"
#include "device/Prompts.h"
#include "platform/AutoResetEvent.h"
#include "platform/SerialLine.h"
#include "protocol/Sio.h"
#include "resources/DeviceTexts.h"
#include "settings/CommSettings.h"

// DeviceLink's own codes, beside those of the port and the request layer.
enum DeviceLinkStatus : int {
    LINK_WORKER_EXISTS = -10,
    LINK_THREAD_FAILED = -11,
    LINK_CANCELLED = 2,
    // A request or transfer offered while no port is open: no worker serves
    // it (the text of -2 says just that).
    LINK_NO_PORT = -2,
    // A verified write whose area still read back different from the file
    // after its last rewrite.
    LINK_READ_BACK_DIFFERS = -12,
};

// What the read-backs of the last WriteConfiguration found, for callers that
// report on a series of writes (areas in the order 0, 16, 40, 64).
struct WriteVerification {
    bool on = false;            // the write read its areas back
    uint32_t verifiedAreas = 0; // areas whose read-back matched the file
    uint32_t rewrites[4] = {};  // times each area was written again because its read-back differed
    bool differs = false;       // failed: an area still differed after its last rewrite
    uint32_t repeats[4] = {};   // times each area was written again because its transfer failed
    // Areas written whole, from the first on: what the device now holds
    // from the file, also after a cancel or a failure (the area after them
    // may be partly written). Atomic: a front end ending the program reads
    // it while the job runs.
    std::atomic<uint32_t> writtenAreas{0};
    // The user declined to write into a device of another software version.
    bool declined = false;

    WriteVerification() = default;
    WriteVerification(const WriteVerification& other) { *this = other; }
    WriteVerification& operator=(const WriteVerification& other)
    {
        on = other.on;
        verifiedAreas = other.verifiedAreas;
        std::copy(other.rewrites, other.rewrites + 4, rewrites);
        std::copy(other.repeats, other.repeats + 4, repeats);
        differs = other.differs;
        writtenAreas = other.writtenAreas.load();
        declined = other.declined;
        return *this;
    }
};

// Who the device of the last WriteConfiguration said it was, as the job's
// own check read it before writing; a text the device did not give (it
// did not answer, or has no such parameter) is missing.
struct DeviceIdentity {
    std::optional<std::u16string> model;
    std::optional<std::u16string> version;
};

class DeviceLink {
public:
    using LineFactory = std::function<std::unique_ptr<SerialLine>()>;
    // Runs the wait for the worker's answer to a single request and returns
    // when it has ended. A window's front end runs it beside its window, so
    // the window keeps painting while a silent device is asked; by default
    // the caller waits right where it is.
    using RequestWaiter = std::function<void(const std::function<void()>& wait)>;

    // areaFolder: the base folder of the temporary area files config_N.dat;
    // the link holds it, or a numbered sub-folder of it when another job
    // holds it, from the first use of the area files until the link goes
    // (HeldAreaFolder), so its save always finds what its read wrote.
    DeviceLink(Prompts& prompts, ProgressDialogs& dialogs, std::filesystem::path areaFolder);
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // Worker and port.
    int Start(const CommSettings& settings);
    void Stop();

    // One synchronous request at a time; false when its status is not 0.
    bool ReadParam(ParamRequest* request);
    bool WriteParam(ParamRequest* request);

    // Area transfers, driven by the progress display.
    bool BeginAreaRead(AreaJob* job);
    bool BeginAreaWrite(AreaJob* job);
    void CancelAreaRead();
    void CancelAreaWrite();
    // Blocks until the worker no longer touches the job (after a cancel).
    void WaitUntilReleased(const AreaJob* job);

    // Identification (runs inside BeginAreaRead while pending).
    bool Identify();
    // Whether a device answers on the open port, asked with the search's
    // probe (one "dev", the short wait) and telling the user nothing: for
    // waiting until a device is connected or has been taken away. An answer
    // that comes after the wait is still heard, by the next call, so a slow
    // device never looks gone.
    bool Answers();

    // The jobs: 1 done, 0 failed (the user has been told, unless refused).
    // Every read identifies the device first and records who it is in
    // readHeader. A write refuses what RefuseWrite refuses before any
    // request; with verify, every area is read back and written again while
    // it differs (lastWrite tells what that took).
    int ReadConfiguration();
    int WriteConfiguration(const uint8_t* image, std::size_t length, bool verify = true);

    // Seams and surroundings.
    void SetLineFactory(LineFactory factory) { m_lineFactory = std::move(factory); }
    void SetSleeper(Sleeper sleeper) { m_sleeper = std::move(sleeper); }
    void SetRequestWaiter(RequestWaiter waiter) { m_requestWaiter = std::move(waiter); }
    Prompts& GetPrompts() { return m_prompts; }
    // The folder this link's area files live in, taken at the first call.
    const std::filesystem::path& AreaFolder();
    std::filesystem::path AreaFilePath(uint8_t area);
    // The port's own account of a failed open (device path and reason).
    std::string LastOpenDetail() const { return m_lastOpenDetail; }
    // True when the open port's line has gone (an adapter pulled out): no
    // device will answer on it until the port is opened again. Asked
    // between requests, never while one runs.
    bool PortLost();

    // State shared with the wizard and the configuration file operations.
    // header: the file's, as the check loads it and the write uses it.
    ConfigHeader header{};
    // The device the area files came from: emptied by every read job and
    // filled by its identification; the save writes it with the sizes.
    // Neither a file check nor a write touches it.
    ConfigHeader readHeader{};
    CommSettings settings{};
    bool identifyPending = true;
    bool deviceRefused = false;
    int32_t refusalCode = 0;
    uint32_t readSizes[4] = {};
    WriteVerification lastWrite;
    DeviceIdentity lastWriteDevice;
    // How often a failed area is transferred again, and a block answered
    // nErr sent again, by the jobs that start from now on (0..kMostRetries).
    // With 0 every request goes out as it always has: no area, block or
    // "dev"/"ver" is asked again (beyond the rewrites of a verified write).
    uint32_t retries = kDefaultRetries;

private:
    void WorkerLoop();
    void ExecuteRequest(ParamRequest* request, bool read);
    void QuietProbe(ParamRequest* request);
    void TransferAreaRead();
    void TransferAreaWrite();
    void RestartDevice(const std::shared_ptr<AreaNotifyTarget>& notify);
    int CommandRead(const char* name, uint32_t length);
    int CommandWrite(const char* name, uint32_t length);
    int BlockCommand(const char* name, bool read, uint32_t length, uint32_t resends);
    uint32_t RepeatedRequests() const;
    bool MayRepeat(const AreaJob& job, int status, const std::atomic<bool>& cancel);
    bool MayRewrite(const AreaJob& job, bool resent);
    int OpenArea(uint8_t area);
    bool SubmitRequest(ParamRequest* request, bool read);
    bool ServesRequests() const;
    bool HasCurrentJob();
    bool HandOver(AreaJob* job, int event);
    AreaJob* TakeJob(std::atomic<bool>& cancel);
    bool EndTransfer(std::atomic<bool>& cancel);
    void Release();
    static void Post(const std::shared_ptr<AreaNotifyTarget>& notify, const AreaMessage& message);
    // expected: a read-back's bytes sent, whose read stops at the first
    // block that differs from them (LINK_READ_BACK_DIFFERS).
    int ReadConfirmedArea(uint8_t area, std::vector<uint8_t>& into, const std::atomic<bool>& cancel,
                          const std::shared_ptr<AreaNotifyTarget>& notify, const AreaJob* job,
                          const std::vector<uint8_t>* expected = nullptr);
    int ReadAreaOnce(uint8_t area, std::vector<uint8_t>& into, uint32_t* announced, const std::atomic<bool>& cancel,
                     const std::shared_ptr<AreaNotifyTarget>& notify, const AreaJob* job,
                     const std::vector<uint8_t>* expected);
    int ReadAreaBlocks(std::vector<uint8_t>& into, uint32_t announced, const std::atomic<bool>& cancel,
                       const std::shared_ptr<AreaNotifyTarget>& notify, const AreaJob* job,
                       const std::vector<uint8_t>* expected);
    void EndAreaRead();
    int WriteAreaAttempts(AreaJob& job, const std::shared_ptr<AreaNotifyTarget>& notify);
    int WriteArea(AreaJob& job, const std::shared_ptr<AreaNotifyTarget>& notify);
    int WriteAreaBlocks(AreaJob& job, const std::shared_ptr<AreaNotifyTarget>& notify);
    int VerifyWrittenArea(AreaJob& job, const std::shared_ptr<AreaNotifyTarget>& notify);
    uint32_t WriteSize(const AreaJob& job) const;
    bool ElevenBit() const { return settings.adress_len != 8; }
    void Tell(const std::string& text, MsgIcon icon);
    bool ReadIdentity(ParamRequest& request, const char* name, uint16_t hash, bool askNerrAgain = true);
    int CheckWriteTarget();
    bool ReportArea(DialogResult result, const AreaJob& job, const texts::AreaTexts& words);
    bool StoreAreaFile(const AreaJob& job);

    Prompts& m_prompts;
    ProgressDialogs& m_dialogs;
    std::filesystem::path m_areaBase;
    std::optional<HeldAreaFolder> m_areaFolder;
    LineFactory m_lineFactory;
    Sleeper m_sleeper;
    RequestWaiter m_requestWaiter;
    std::string m_lastOpenDetail;

    uint32_t m_waitTimeout = 100;
    ParamRequest* m_pendingRequest = nullptr;
    bool m_pendingRead = false;
    bool m_pendingProbe = false;
    std::unique_ptr<LineProbe> m_quietProbe;  // on m_port, kept between the calls of Answers
    AreaJob* m_currentJob = nullptr;
    std::atomic<bool> m_readCancel{false};
    std::atomic<bool> m_writeCancel{false};
    std::mutex m_lock;  // guards m_currentJob and m_heldJob

    // Worker events, in the order of their priority.
    AutoResetEventSet m_events{4};
    static constexpr int kQuitEvent = 0;
    static constexpr int kAreaReadEvent = 1;
    static constexpr int kRequestEvent = 2;
    static constexpr int kAreaWriteEvent = 3;
    AutoResetEvent m_requestDoneEvent;

    std::thread m_thread;
    std::unique_ptr<Sio> m_port;
    uint8_t m_transfer[16] = {};
    uint32_t m_transferLength = 0;
    // Block requests sent again after an nErr (worker only).
    uint32_t m_blockResends = 0;

    // The job the worker is touching, so a cancelled job's owner can wait.
    const AreaJob* m_heldJob = nullptr;
    std::condition_variable m_released;
};
