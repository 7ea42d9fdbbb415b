#include "Commands.h"

#include <iostream>
#include <memory>

#include "ComparisonText.h"
#include "ConnectionText.h"
#include "FileDigest.h"
#include "JsonOutput.h"
#include "Interrupts.h"
#include "LineWrite.h"
#include "PortSession.h"
#include "SaveTarget.h"
#include "Scan.h"
#include "TerminalDialogs.h"
#include "TerminalPrompts.h"
#include "WriteGuards.h"
#include "configfile/ConfigurationFile.h"
#include "device/AreaFolder.h"
#include "device/DeviceBackup.h"
#include "device/DeviceLink.h"
#include "device/GuardedWrite.h"
#include "device/FileIo.h"
#include "device/WriteRefusal.h"
#include "platform/CodePage1251.h"
#include "platform/Clock.h"
#include "platform/Console.h"
#include "platform/PortMap.h"
#include "platform/Sha256.h"
#include "resources/BackupTexts.h"
#include "resources/CliTexts.h"
#include "resources/DeviceTexts.h"
#include "resources/PageTexts.h"
#include "settings/SettingsStore.h"
#include "wizard/DeviceClock.h"
#include "wizard/RepeatsNote.h"

namespace {

// Everything one command on one port needs: the stored settings with the
// command line's overrides, the prompts and display on the terminal, and
// the link.
class Session {
public:
    explicit Session(const CliOptions& options)
        : m_options(options),
          m_port(options.ports.empty() ? std::nullopt : std::optional<PortChoice>(options.ports[0])),
          m_prompts({options.force, options.acceptVersionMismatch}, IsConsole(StandardStream::Input), m_terminal),
          m_bar(IsConsole(StandardStream::Error)),
          m_dialogs(m_prompts, m_bar, [] { return interrupts::Count() > 0 || interrupts::Ending(); }),
          m_link(m_prompts, m_dialogs, AreaFolderOf(options))
    {
        m_dialogs.Attach(m_link);
        UsePortPath(m_link, m_port);
        m_link.retries = options.retries;
    }

    DeviceLink& Link() { return m_link; }
    const CliOptions& Options() const { return m_options; }
    TerminalPrompts& Prompts() { return m_prompts; }
    const std::optional<PortChoice>& Port() const { return m_port; }

    // Opens the port as the wizard does; false (told) when it cannot.
    bool OpenPort()
    {
        m_link.Stop();
        int result = m_link.Start(SettingsForPort(m_options.connection, m_port, StoredSettings()));
        if (result == 0) return true;
        m_prompts.Show({PortOpenFailure(m_link, result), MsgIcon::None, MsgButtons::Ok, false,
                        MsgCaption::Application});
        TellConnection();
        return false;
    }

    // Exit code of a job that returned 0.
    int FailureCode()
    {
        if (m_link.deviceRefused) {
            m_prompts.Show({texts::kDeviceUnsupported, MsgIcon::Error, MsgButtons::Ok, false,
                            MsgCaption::Application});
            return EXIT_REFUSED;
        }
        if (m_dialogs.Cancelled()) return EXIT_CANCELLED;
        // A version question answered No: the line worked.
        if (!m_link.lastWrite.declined) TellConnection();
        return EXIT_FAILED;
    }

    // After the system's message of a failure to reach the device: what was
    // tried, so that a wrong port or rate shows at once.
    void TellConnection() { std::cerr << DescribeConnectionOf(m_link, m_port) << std::endl; }

private:
    const CliOptions& m_options;
    std::optional<PortChoice> m_port;
    StandardTerminal m_terminal;
    TerminalPrompts m_prompts;
    TerminalBar m_bar;
    TerminalDialogs m_dialogs;
    DeviceLink m_link;
};

void PrintHeader(const ConfigHeader& header)
{
    std::cout << texts::kCliModel << Utf16ToUtf8(HeaderDeviceName(header)) << "\n"
              << texts::kCliVersion << Utf16ToUtf8(HeaderSoftwareVersion(header)) << "\n";
}

int ListPorts(bool json)
{
    std::vector<PortEntry> ports = PortMap().List();
    if (ports.empty()) std::cerr << texts::kCliNoPorts << "\n";
    for (const PortEntry& port : ports) {
        if (json) {
            std::cout << PortJson(port);
            continue;
        }
        std::cout << port.name << "\t" << port.devicePath;
        if (!port.description.empty() && port.description != port.devicePath) std::cout << "\t" << port.description;
        std::cout << "\n";
    }
    return EXIT_DONE;
}

int Identify(Session& session)
{
    if (!session.OpenPort()) return EXIT_FAILED;
    DeviceLink& link = session.Link();
    if (!link.Identify()) return session.FailureCode();
    if (session.Options().json) {
        const std::optional<PortChoice> port = session.Options().ports.empty()
                                                   ? std::nullopt
                                                   : std::optional<PortChoice>(session.Options().ports[0]);
        std::cout << IdentifyJson(PortNameOf(link, port), DevicePathOf(link, port), link.readHeader);
    } else {
        PrintHeader(link.readHeader);
    }
    return EXIT_DONE;
}

int Save(Session& session, const std::filesystem::path& file)
{
    // Checked and asked before the device is read rather than after: a
    // target that cannot be written, or a refused overwrite, should not
    // cost a whole read.
    if (std::optional<std::string> reason = WhyTargetCannotBeSaved(file)) {
        session.Prompts().Show({std::string(texts::kSaveCannotWrite) + "\n" + *reason, MsgIcon::None, MsgButtons::Ok,
                                false, MsgCaption::Application});
        return EXIT_FAILED;
    }
    if (!session.Options().force && FileExists(file)) {
        if (!AskOverwrite(session.Link(), file)) return EXIT_FAILED;
        session.Prompts().ConfirmOverwrite();
    }
    if (!session.OpenPort()) return EXIT_FAILED;
    if (!session.Link().ReadConfiguration()) return session.FailureCode();
    return SaveConfigurationFile(session.Link(), file) ? EXIT_DONE : EXIT_FAILED;
}

int Inspect(Session& session, const std::filesystem::path& file)
{
    if (!CheckConfigurationFile(session.Link(), file)) return EXIT_FAILED;
    const ConfigHeader& header = session.Link().header;
    const bool json = session.Options().json;
    if (!json) {
        PrintHeader(header);
        std::cout << texts::kCliSizes << header.size0 << " " << header.size16 << " " << header.size40 << " "
                  << header.size64 << "\n";
    }
    std::optional<std::string> hash = FileSha256(file);
    if (!hash) {
        session.Prompts().Show({Utf8FromPath(file) + texts::kCheckCannotOpen, MsgIcon::None, MsgButtons::Ok, false,
                                MsgCaption::Application});
        return EXIT_FAILED;
    }
    if (!json) std::cout << texts::kCliSha256 << *hash << "\n";
    const uint64_t length = uint64_t{header.size0} + header.size16 + header.size40 + header.size64 + sizeof header;
    const std::optional<WriteRefusal> refusal = RefuseWrite(header, static_cast<std::size_t>(length));
    if (json) {
        std::cout << InspectJson(Utf8FromPath(std::filesystem::absolute(file)), *hash, header,
                                 refusal ? std::optional<std::string>(refusal->text) : std::nullopt);
    }
    if (refusal) {
        std::cerr << texts::kCliWouldRefuse << refusal->text << std::endl;
        return EXIT_FAILED;
    }
    return EXIT_DONE;
}

void PrintVerification(const WriteVerification& verification)
{
    if (!verification.on) return;
    const uint32_t* rewrites = verification.rewrites;
    if (rewrites[0] + rewrites[1] + rewrites[2] + rewrites[3] > 0) {
        std::cerr << texts::kCliRewrites << rewrites[0] << " " << rewrites[1] << " " << rewrites[2] << " "
                  << rewrites[3] << std::endl;
    }
}

// The file checked, loaded and refused as a write does, before any port
// is opened; false when it was (told).
bool LoadFileToWrite(Session& session, const std::filesystem::path& file, std::vector<uint8_t>* image)
{
    DeviceLink& link = session.Link();
    if (!CheckConfigurationFile(link, file) || !LoadConfigurationImage(link, file, image)) return false;
    if (std::optional<WriteRefusal> refusal = RefuseWrite(link.header, image->size())) {
        session.Prompts().Show({refusal->text, refusal->icon, MsgButtons::Ok, false, MsgCaption::Application});
        return false;
    }
    return true;
}

void Tell(Session& session, const std::string& text)
{
    session.Prompts().Show({text, MsgIcon::None, MsgButtons::Ok, false, MsgCaption::Application});
}

int Write(Session& session, const CliOptions& options)
{
    DeviceLink& link = session.Link();
    std::vector<uint8_t> image;
    if (!LoadFileToWrite(session, PathFromUtf8(options.file), &image)) return EXIT_FAILED;
    if (!session.OpenPort()) return EXIT_FAILED;
    std::unique_ptr<Clock> clock = MakeSystemClock();
    const GuardedWriteResult result = WriteWithSafeguards(link, image, options.verify, SafeguardsOf(options, link, session.Port()),
                                                          *clock);
    if (result.backup) Tell(session, texts::kBackupSaved + Utf8FromPath(*result.backup));
    if (result.outcome == GuardedOutcome::Same) {
        Tell(session, texts::kWriteSkippedSame);
    } else {
        PrintVerification(link.lastWrite);
        if (result.outcome != GuardedOutcome::Written) {
            return link.lastWrite.differs ? EXIT_MISMATCH : session.FailureCode();
        }
        if (options.verify) Tell(session, texts::kCliVerifyDone);
        if (const std::string note = RepeatsNote(link.lastWrite); !note.empty()) Tell(session, note);
    }
    if (options.setClock) {
        if (SetDeviceClock(link, session.Prompts(), *clock) != ClockOutcome::Done) {
            session.TellConnection();
            return EXIT_FAILED;
        }
    }
    return EXIT_DONE;
}

int Compare(Session& session, const CliOptions& options)
{
    std::vector<uint8_t> image;
    if (!LoadFileToWrite(session, PathFromUtf8(options.file), &image)) return EXIT_FAILED;
    if (!session.OpenPort()) return EXIT_FAILED;
    ConfigSnapshot device;
    if (!ReadDeviceSnapshot(session.Link(), &device)) return session.FailureCode();
    const ConfigSnapshot file = SnapshotOfImage(image.data(), image.size());
    const ConfigComparison comparison = CompareConfigurations(file, device);
    std::cout << ComparisonText(comparison, file, device, kFileAndDevice)
              << (comparison.Same() ? texts::kCompareResultSame : texts::kCompareResultDiffers) << std::endl;
    return comparison.Same() ? EXIT_DONE : EXIT_DIFFERENT;
}

// A file for diff: checked as for a write, not refused for what only a
// write would refuse.
bool LoadFileToCompare(Session& session, const std::filesystem::path& file, ConfigSnapshot* snapshot)
{
    std::vector<uint8_t> image;
    if (!CheckConfigurationFile(session.Link(), file) || !LoadConfigurationImage(session.Link(), file, &image)) {
        return false;
    }
    *snapshot = SnapshotOfImage(image.data(), image.size());
    return true;
}

int Diff(Session& session, const CliOptions& options)
{
    ConfigSnapshot first;
    ConfigSnapshot second;
    if (!LoadFileToCompare(session, PathFromUtf8(options.file), &first)
        || !LoadFileToCompare(session, PathFromUtf8(options.otherFile), &second)) {
        return EXIT_FAILED;
    }
    const ConfigComparison comparison = CompareConfigurations(first, second);
    std::cout << ComparisonText(comparison, first, second, kTwoFiles)
              << (comparison.Same() ? texts::kDiffResultSame : texts::kDiffResultDiffers) << std::endl;
    return comparison.Same() ? EXIT_DONE : EXIT_DIFFERENT;
}

}  // namespace

int ReportUsageError(const std::string& argument)
{
    if (!argument.empty()) std::cerr << texts::kCliBadArgument << argument << "\n";
    std::cerr << texts::kCliUsage;
    return EXIT_USAGE;
}

int RunCommand(const CliOptions& options)
{
    if (options.command == "ports") return ListPorts(options.json);
    if (options.command != "inspect" && options.command != "diff") {
        std::string problem = AddressWidthProblem(options.connection, options.connection.AppliedTo(StoredSettings()));
        if (!problem.empty()) return ReportUsageError(problem);
    }
    // A backup folder that cannot take a file is refused before any port
    // is opened: no device is to be written whose configuration cannot be
    // kept.
    if (options.backupFolder) {
        if (std::optional<std::string> reason = WhyBackupFolderCannotTake(PathFromUtf8(*options.backupFolder))) {
            std::cerr << texts::kBackupFailed << *reason << "\n" << texts::kBackupNothingWritten << std::endl;
            return EXIT_FAILED;
        }
    }
    if (options.LineWrite()) return WriteOnTheLine(options);
    if (options.command == "scan") return ScanPorts(options);
    interrupts::Install(1);
    Session session(options);
    if (options.command == "identify") return Identify(session);
    if (options.command == "save") return Save(session, PathFromUtf8(options.file));
    if (options.command == "inspect") return Inspect(session, PathFromUtf8(options.file));
    if (options.command == "compare") return Compare(session, options);
    if (options.command == "diff") return Diff(session, options);
    return Write(session, options);
}
