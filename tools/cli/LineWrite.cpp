#include "LineWrite.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <iostream>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "Commands.h"
#include "ComparisonText.h"
#include "DeviceReport.h"
#include "Interrupts.h"
#include "LineDisplay.h"
#include "LineTable.h"
#include "PortSession.h"
#include "TerminalDialogs.h"
#include "TerminalPrompts.h"
#include "WriteGuards.h"
#include "configfile/ConfigurationFile.h"
#include "device/DeviceBackup.h"
#include "device/DeviceLink.h"
#include "device/GuardedWrite.h"
#include "device/PortThreads.h"
#include "device/WriteRefusal.h"
#include "platform/Clock.h"
#include "platform/CodePage1251.h"
#include "platform/Console.h"
#include "platform/OpenLines.h"
#include "platform/PortMap.h"
#include "platform/Sha256.h"
#include "platform/Utf8Path.h"
#include "resources/BackupTexts.h"
#include "resources/CliTexts.h"
#include "resources/DeviceTexts.h"
#include "resources/PageTexts.h"
#include "wizard/DeviceClock.h"
#include "wizard/RepeatsNote.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

// How often a waiting port asks whether a device answers, how often while
// it waits for the device written last to go (the probe's short wait lets
// a swap of half a second be seen), and how long it waits before opening a
// port again that has gone.
constexpr auto kPollPeriod = std::chrono::milliseconds(500);
constexpr auto kGonePollPeriod = std::chrono::milliseconds(100);
constexpr auto kReopenPeriod = std::chrono::seconds(1);
// A device counts as taken away only after it has failed to answer this
// many times in a row: one lost answer on a noisy line is not a new device.
constexpr int kSilentPollsForGone = 2;

// What every port shares: the file, checked and loaded once, the options,
// the report, and how many devices may still be started.
class LineJob {
public:
    LineJob(const CliOptions& options, const ConfigHeader& header, std::vector<uint8_t> image, std::string file,
            std::string sha256, ReportFile* report)
        : options(options), header(header), image(std::move(image)), file(std::move(file)),
          sha256(std::move(sha256)), report(report)
    {
    }

    // Whether another device may be started: not after the first Ctrl-C of
    // a loop, nor once --count devices have been.
    bool Claim()
    {
        if (Stopping()) return false;
        if (!options.count) return true;
        uint32_t started = m_started.load();
        while (started < *options.count) {
            if (m_started.compare_exchange_weak(started, started + 1)) return true;
        }
        return false;
    }
    bool Stopping() const
    {
        return (options.loop && interrupts::Count() > 0) || interrupts::Ending()
               || (options.count && m_started.load() >= *options.count);
    }
    int CancelStage() const { return options.loop ? 2 : 1; }
    bool CancelAsked() const { return interrupts::Count() >= CancelStage() || interrupts::Ending(); }

    void NoteReportFailure() { m_reportFailed = true; }
    bool ReportFailed() const { return m_reportFailed; }

    const CliOptions& options;
    const ConfigHeader header;
    const std::vector<uint8_t> image;
    const std::string file;
    const std::string sha256;
    ReportFile* const report;

private:
    std::atomic<uint32_t> m_started{0};
    std::atomic<bool> m_reportFailed{false};
};

std::optional<std::string> Utf8OrNothing(const std::optional<std::u16string>& text)
{
    if (!text) return std::nullopt;
    return Utf16ToUtf8(*text);
}

// One port of the line, on a thread of its own: the link with its worker,
// its area folder, its prompts and its line of the display.
class Station {
public:
    Station(LineJob& job, const std::optional<PortChoice>& port, LineDisplay& display)
        : m_job(job), m_port(port),
          m_view(display, port ? port->given : PortMap::NameOfNumber(StoredSettings().com)),
          m_prompts({false, job.options.acceptVersionMismatch}, IsConsole(StandardStream::Input), m_view),
          m_dialogs(m_prompts, m_view, [&job] { return job.CancelAsked(); }),
          m_link(m_prompts, m_dialogs, AreaFolderOf(job.options))
    {
        m_dialogs.Attach(m_link);
        UsePortPath(m_link, m_port);
        m_link.header = job.header;
        m_link.settings = SettingsForPort(job.options.connection, m_port, StoredSettings());
        m_link.retries = job.options.retries;
        // Asked as the first area starts, when the job has identified the device.
        m_view.SetModelSource([this] {
            NoteIdentity();
            return Utf8OrNothing(m_link.lastWriteDevice.model);
        });
    }
    ~Station() { m_link.Stop(); }

    void Run()
    {
        if (m_job.options.loop) {
            RunLoop();
            // The line keeps what became of the port's last device.
            const std::string last = m_records.empty() ? std::string()
                                                       : texts::kCliLineLastDevice + ResultText(m_records.back()) + ")";
            m_view.SetIdle(texts::kCliLineStopped + last);
        } else {
            RunOnce();
        }
        m_link.Stop();
    }

    std::vector<DeviceRecord> Records()
    {
        std::lock_guard guard(m_recordsLock);
        return m_records;
    }

    // The program ends before this port's device has: its record, as
    // interrupted with the areas the device holds from the file, goes to
    // the report now (nullopt when no device is under way). Called from
    // another thread while the port's own may still be inside the job.
    void Interrupt()
    {
        std::lock_guard guard(m_recordsLock);
        if (!m_current) return;
        DeviceRecord record = std::move(*m_current);
        m_current.reset();
        record.result = DeviceResult::Interrupted;
        record.exitCode = EXIT_CANCELLED;
        record.writtenAreas = m_link.lastWrite.writtenAreas;
        record.message = texts::kCliLineInterrupted + WrittenAreasText(record.writtenAreas);
        record.seconds = Seconds(m_currentStart);
        Keep(std::move(record));
    }

private:
    void RunOnce()
    {
        if (!m_job.Claim()) return;
        const auto start = SteadyClock::now();
        DeviceRecord record = NewRecord();
        TakeUp(record, start);
        m_view.SetIdle(texts::kCliLineOpening);
        if (const int opened = m_link.Start(m_link.settings); opened != 0) {
            // The port never opened: its line in the table says why.
            record.message = PortOpenFailure(m_link, opened);
            m_view.Say(record.message + "\n" + DescribeConnectionOf(m_link, m_port));
            record.seconds = Seconds(start);
            End(std::move(record));
            return;
        }
        m_open = true;
        WriteDevice(std::move(record), start);
    }

    void RunLoop()
    {
        bool toldClosed = false;
        while (!m_job.Stopping()) {
            if (!EnsureOpen(toldClosed)) continue;
            if (!m_link.Answers()) {
                if (!m_link.PortLost()) m_view.SetIdle(texts::kCliLineWaiting);
                Pause(kPollPeriod);
                continue;
            }
            if (!m_job.Claim()) break;
            const auto start = SteadyClock::now();
            DeviceRecord record = NewRecord();
            TakeUp(record, start);
            WriteDevice(std::move(record), start);
            WaitUntilGone();
        }
    }

    // Opens the port when it is not open or has gone; false (after a pause)
    // while it cannot be. A port that does not open is told once, then
    // waited for quietly.
    bool EnsureOpen(bool& toldClosed)
    {
        if (m_open && !m_link.PortLost()) return true;
        m_link.Stop();
        m_open = false;
        if (const int opened = m_link.Start(m_link.settings); opened == 0) {
            m_open = true;
            toldClosed = false;
            m_view.SetIdle(texts::kCliLineWaiting);
            return true;
        } else if (!toldClosed) {
            m_view.Say(PortOpenFailure(m_link, opened));
            toldClosed = true;
        }
        m_view.SetIdle(texts::kCliLinePortLost);
        Pause(kReopenPeriod);
        return false;
    }

    // Until the device written last stops answering (or the port goes), so
    // that it is never written twice.
    void WaitUntilGone()
    {
        m_view.SetActivity(texts::kCliLineWaitingGone);
        int silent = 0;
        while (!m_job.Stopping() && silent < kSilentPollsForGone) {
            if (m_link.PortLost()) return;
            silent = m_link.Answers() ? 0 : silent + 1;
            Pause(kGonePollPeriod);
        }
    }

    // Sleeps in short steps, so that Ctrl-C and the end of --count are
    // seen at once.
    void Pause(SteadyClock::duration period)
    {
        const auto until = SteadyClock::now() + period;
        while (!m_job.Stopping() && SteadyClock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }

    DeviceRecord NewRecord()
    {
        DeviceRecord record;
        record.time = LocalTimestamp();
        record.port = PortNameOf(m_link, m_port);
        record.devicePath = DevicePathOf(m_link, m_port);
        record.file = m_job.file;
        record.sha256 = m_job.sha256;
        const ConfigHeader& header = m_job.header;
        const uint32_t sizes[4] = {header.size0, header.size16, header.size40, header.size64};
        std::copy(sizes, sizes + 4, record.sizes);
        record.verify = m_job.options.verify;
        return record;
    }

    // The write job as a single write runs it, then the clock.
    void WriteDevice(DeviceRecord record, SteadyClock::time_point start)
    {
        m_prompts.ForgetLastText();
        m_dialogs.ForgetCancel();
        m_link.deviceRefused = false;
        m_view.SetIdle(texts::kCliLineChecking);
        if (m_job.options.command == "compare") {
            CompareDevice(record);
        } else {
            WriteGuarded(record);
        }
        if (record.message.empty()) record.message = m_prompts.LastText();
        // A device left part way says what it holds from the file now.
        if (record.result == DeviceResult::Cancelled || (record.result == DeviceResult::Failed && record.writtenAreas > 0)) {
            record.message += (record.message.empty() ? "" : " ") + WrittenAreasText(record.writtenAreas);
        }
        record.seconds = Seconds(start);
        End(std::move(record));
    }

    // The write, after the backup and the comparison that the options ask for.
    void WriteGuarded(DeviceRecord& record)
    {
        std::unique_ptr<Clock> clock = MakeSystemClock();
        const GuardedWriteResult guarded = WriteWithSafeguards(m_link, m_job.image, m_job.options.verify,
                                                               SafeguardsOf(m_job.options, m_link, m_port), *clock);
        record.model = Utf8OrNothing(m_link.lastWriteDevice.model);
        record.version = Utf8OrNothing(m_link.lastWriteDevice.version);
        if (record.model) m_view.SetModel(*record.model);
        std::copy(m_link.lastWrite.rewrites, m_link.lastWrite.rewrites + 4, record.rewrites);
        std::copy(m_link.lastWrite.repeats, m_link.lastWrite.repeats + 4, record.repeats);
        record.writtenAreas = m_link.lastWrite.writtenAreas;
        // Said on the port's line, not as a message: the record's message
        // stays what became of the write.
        if (guarded.backup) {
            record.backup = Utf8FromPath(*guarded.backup);
            m_view.Say(texts::kBackupSaved + *record.backup);
        }
        if (guarded.outcome == GuardedOutcome::NotWritten) {
            Classify(record);
            return;
        }
        record.exitCode = EXIT_DONE;
        if (guarded.outcome == GuardedOutcome::Same) {
            record.result = DeviceResult::Same;
            Tell(texts::kWriteSkippedSame);
        } else {
            record.result = DeviceResult::Done;
            if (m_job.options.verify) Tell(texts::kCliVerifyDone);
            if (const std::string note = RepeatsNote(m_link.lastWrite); !note.empty()) Tell(note.c_str());
        }
        if (m_job.options.setClock) SetClock(record);
    }

    // An audit: the device read and compared with the file, nothing written.
    void CompareDevice(DeviceRecord& record)
    {
        record.compared = true;
        record.verify = false;
        ConfigSnapshot device;
        const bool read = ReadDeviceSnapshot(m_link, &device);
        const std::u16string model = HeaderDeviceName(m_link.readHeader);
        const std::u16string version = HeaderSoftwareVersion(m_link.readHeader);
        if (!model.empty()) record.model = Utf16ToUtf8(model);
        if (!version.empty()) record.version = Utf16ToUtf8(version);
        if (record.model) m_view.SetModel(*record.model);
        if (!read) {
            Classify(record);
            return;
        }
        const ConfigComparison comparison = CompareConfigurations(SnapshotOfImage(m_job.image.data(), m_job.image.size()), device);
        DeviceRecord::Differences differences{!comparison.modelSame, !comparison.versionSame, {}};
        for (int index = 0; index < 4; ++index) {
            if (!comparison.areas[index].same) differences.areas.push_back(kAreas[index]);
        }
        record.differences = differences;
        if (comparison.Same()) {
            record.result = DeviceResult::Same;
            record.exitCode = EXIT_DONE;
            Tell(texts::kCompareResultSame);
        } else {
            record.result = DeviceResult::Different;
            record.exitCode = EXIT_DIFFERENT;
            Tell(texts::kCompareResultDiffers + DifferenceSummary(comparison));
        }
    }

    void SetClock(DeviceRecord& record)
    {
        std::unique_ptr<Clock> clock = MakeSystemClock();
        if (SetDeviceClock(m_link, m_prompts, *clock) == ClockOutcome::Done) {
            record.clockSet = true;
            return;
        }
        record.result = DeviceResult::Failed;
        record.exitCode = EXIT_FAILED;
    }

    // A write that returned 0: what became of it, as a single write says.
    void Classify(DeviceRecord& record)
    {
        if (m_link.lastWrite.differs) {
            record.result = DeviceResult::Failed;
            record.exitCode = EXIT_MISMATCH;
        } else if (m_link.deviceRefused) {
            Tell(texts::kDeviceUnsupported);
            record.result = DeviceResult::Refused;
            record.exitCode = EXIT_REFUSED;
        } else if (m_dialogs.Cancelled()) {
            record.result = DeviceResult::Cancelled;
            record.exitCode = EXIT_CANCELLED;
        } else {
            record.result = DeviceResult::Failed;
            record.exitCode = EXIT_FAILED;
            record.message = m_prompts.LastText();
            // A version question answered No is the user's choice, not a
            // line that failed.
            if (!m_link.lastWrite.declined) m_view.Say(DescribeConnectionOf(m_link, m_port));
        }
    }

    void Tell(const std::string& text)
    {
        m_prompts.Show({text, MsgIcon::None, MsgButtons::Ok, false, MsgCaption::Application});
    }

    static double Seconds(SteadyClock::time_point start)
    {
        return std::chrono::duration<double>(SteadyClock::now() - start).count();
    }

    // From now on the device is recorded whatever becomes of the program.
    void TakeUp(const DeviceRecord& record, SteadyClock::time_point start)
    {
        std::lock_guard guard(m_recordsLock);
        m_current = record;
        m_currentStart = start;
    }

    // Who the job found the device to be, for a record made while it runs.
    void NoteIdentity()
    {
        std::lock_guard guard(m_recordsLock);
        if (!m_current) return;
        m_current->model = Utf8OrNothing(m_link.lastWriteDevice.model);
        m_current->version = Utf8OrNothing(m_link.lastWriteDevice.version);
    }

    // The device's record goes to the report at once, so that a crash
    // later loses nothing of it; one the program's end has recorded
    // already is not recorded again.
    void End(DeviceRecord record)
    {
        m_view.SetActivity(ResultText(record));
        std::lock_guard guard(m_recordsLock);
        if (!m_current) return;
        m_current.reset();
        Keep(std::move(record));
    }

    // Called with m_recordsLock held.
    void Keep(DeviceRecord record)
    {
        if (m_job.report && !m_job.report->Append(record)) {
            m_job.NoteReportFailure();
            record.reportLost = true;
            m_view.Say(texts::kCliReportCannotWrite);
        }
        m_records.push_back(std::move(record));
    }

    LineJob& m_job;
    const std::optional<PortChoice> m_port;
    PortView m_view;
    TerminalPrompts m_prompts;
    TerminalDialogs m_dialogs;
    DeviceLink m_link;
    bool m_open = false;
    std::mutex m_recordsLock;  // guards the two below
    std::vector<DeviceRecord> m_records;
    std::optional<DeviceRecord> m_current;  // the device under way
    SteadyClock::time_point m_currentStart;
};

// The file, checked, loaded and refused as a single write does, before
// any port is opened.
struct CheckedFile {
    ConfigHeader header{};
    std::vector<uint8_t> image;
};

std::optional<CheckedFile> CheckFile(const CliOptions& options)
{
    StandardTerminal terminal;
    TerminalPrompts prompts({false, false}, false, terminal);
    TerminalBar bar(false);
    TerminalDialogs dialogs(prompts, bar, [] { return false; });
    DeviceLink checker(prompts, dialogs, AreaFolderOf(options));
    CheckedFile checked;
    const std::filesystem::path file = PathFromUtf8(options.file);
    if (!CheckConfigurationFile(checker, file) || !LoadConfigurationImage(checker, file, &checked.image)) {
        return std::nullopt;
    }
    if (std::optional<WriteRefusal> refusal = RefuseWrite(checker.header, checked.image.size())) {
        prompts.Show({refusal->text, refusal->icon, MsgButtons::Ok, false, MsgCaption::Application});
        return std::nullopt;
    }
    checked.header = checker.header;
    return checked;
}

// Runs the stations until each has ended, telling the user once when the
// first Ctrl-C of a loop has stopped the taking of new devices. Told to
// end, it waits kLineEndWait for the stations to end their devices; false
// when some have not (their threads then still run).
bool RunStations(std::vector<std::unique_ptr<Station>>& stations, LineDisplay& display, const CliOptions& options)
{
    std::vector<std::function<void()>> jobs;
    for (auto& station : stations) jobs.push_back([&station] { station->Run(); });
    bool told = false;
    std::optional<SteadyClock::time_point> endingSince;
    const bool ended = RunOnEachPort(jobs, [&] {
        if (options.loop && !told && interrupts::Count() > 0 && !interrupts::Ending()) {
            display.Announce(texts::kCliFinishing);
            told = true;
        }
        if (interrupts::Ending() && !endingSince) {
            display.Announce(texts::kCliEnding);
            endingSince = SteadyClock::now();
        }
        return !endingSince || SteadyClock::now() - *endingSince <= interrupts::kLineEndWait;
    });
    display.Finish();
    return ended;
}

// The device file behind a port, for telling two names of one port apart.
std::optional<std::filesystem::path> DeviceFileOf(const PortChoice& port)
{
    std::optional<std::string> path = port.devicePath ? port.devicePath : PortMap().Resolve(*port.com);
    if (!path) return std::nullopt;
    std::error_code error;
    std::filesystem::path real = std::filesystem::weakly_canonical(PathFromUtf8(*path), error);
    if (error) return PathFromUtf8(*path);
    return real;
}

// "--port B (это тот же порт, что и A)" when two of the ports given are one
// port under two names: two links on one line would garble each other.
std::string SamePortTwice(const std::vector<PortChoice>& ports)
{
    std::vector<std::optional<std::filesystem::path>> files;
    for (const PortChoice& port : ports) files.push_back(DeviceFileOf(port));
    for (std::size_t later = 1; later < ports.size(); ++later) {
        for (std::size_t earlier = 0; earlier < later; ++earlier) {
            if (files[later] && files[later] == files[earlier]) {
                return "--port " + ports[later].given + texts::kCliSamePort + ports[earlier].given + ")";
            }
        }
    }
    return {};
}

}  // namespace

int WriteOnTheLine(const CliOptions& options)
{
    if (std::string problem = SamePortTwice(options.ports); !problem.empty()) return ReportUsageError(problem);
    // The report is opened before anything else: a line that cannot keep
    // its record touches no device.
    std::unique_ptr<ReportFile> report;
    if (options.report) {
        std::string reason;
        report = ReportFile::Open(PathFromUtf8(*options.report), &reason);
        if (!report) {
            std::cerr << texts::kCliReportCannotOpen << reason << std::endl;
            return EXIT_FAILED;
        }
    }
    std::optional<CheckedFile> checked = CheckFile(options);
    if (!checked) return EXIT_FAILED;
    const std::filesystem::path file = std::filesystem::absolute(PathFromUtf8(options.file));
    // The hash of what is written, not of the file as it is by now.
    Sha256 digest;
    digest.Update(checked->image.data(), checked->image.size());
    const std::string sha256 = Sha256::Hex(digest.Finish());
    LineJob job(options, checked->header, std::move(checked->image), Utf8FromPath(file), sha256, report.get());

    interrupts::Install(job.CancelStage());
    LineDisplay display(IsConsole(StandardStream::Error));
    std::vector<std::unique_ptr<Station>> stations;
    if (options.ports.empty()) {
        stations.push_back(std::make_unique<Station>(job, std::nullopt, display));
    }
    for (const PortChoice& port : options.ports) stations.push_back(std::make_unique<Station>(job, port, display));
    const bool allEnded = RunStations(stations, display, options);
    if (!allEnded) {
        for (const auto& station : stations) station->Interrupt();
    }

    std::vector<DeviceRecord> records;
    for (const auto& station : stations) {
        const std::vector<DeviceRecord> kept = station->Records();
        records.insert(records.end(), kept.begin(), kept.end());
    }
    std::cout << LineTable(records) << std::flush;
    int code = WorstExitCode(records, (options.loop && interrupts::Count() > 0) || interrupts::Ending());
    if (job.ReportFailed() && code == EXIT_DONE) code = EXIT_FAILED;
    if (!allEnded) {
        // A worker is still inside an exchange or the restart wait: its port
        // is put back from here, and the program ends without waiting for it.
        std::cerr << std::flush;
        openlines::PutAll();
        std::_Exit(code);
    }
    return code;
}
