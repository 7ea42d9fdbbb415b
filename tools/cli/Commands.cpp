#include "Commands.h"

#include <iostream>
#include <memory>
#include <unistd.h>

#include "TerminalDialogs.h"
#include "TerminalPrompts.h"
#include "configfile/ConfigurationFile.h"
#include "device/AreaFolder.h"
#include "device/DeviceLink.h"
#include "device/WriteRefusal.h"
#include "platform/CodePage1251.h"
#include "platform/Clock.h"
#include "platform/PortMap.h"
#ifdef _WIN32
#include "platform/win32/Win32SerialLine.h"
using PathSerialLine = Win32SerialLine;
#else
#include "platform/PosixSerialLine.h"
using PathSerialLine = PosixSerialLine;
#endif
#include "platform/ProgramPath.h"
#include "resources/CliTexts.h"
#include "resources/DeviceTexts.h"
#include "resources/PageTexts.h"
#include "settings/SettingsStore.h"
#include "wizard/DeviceClock.h"

namespace {

// Everything one command needs: the stored settings with the command
// line's overrides, the prompts and display on the terminal, and the link.
class Session {
public:
    explicit Session(const CliOptions& options)
        : m_options(options),
          m_prompts({options.force, options.acceptVersionMismatch}, isatty(STDIN_FILENO) != 0),
          m_dialogs(m_prompts, isatty(STDERR_FILENO) != 0),
          m_link(m_prompts, m_dialogs, AreaFolder())
    {
        m_dialogs.Attach(m_link);
        if (options.connection.devicePath) {
            std::string path = *options.connection.devicePath;
            m_link.SetLineFactory([path] {
                return std::make_unique<PathSerialLine>([path](uint32_t) { return std::optional<std::string>(path); });
            });
        }
    }

    DeviceLink& Link() { return m_link; }
    const CliOptions& Options() const { return m_options; }
    TerminalPrompts& Prompts() { return m_prompts; }

    // Opens the port as the wizard does; false (told) when it cannot.
    bool OpenPort()
    {
        m_link.Stop();
        int result = m_link.Start(Settings());
        if (result == 0) return true;
        std::string text = texts::PortOpenText(result);
        if (!m_link.LastOpenDetail().empty()) text += "\n" + m_link.LastOpenDetail();
        m_prompts.Show({text, MsgIcon::None, MsgButtons::Ok, false, MsgCaption::Application});
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
        return m_dialogs.Cancelled() ? EXIT_CANCELLED : EXIT_FAILED;
    }

private:
    std::filesystem::path AreaFolder() const
    {
        if (m_options.areaFolder) return *m_options.areaFolder;
        return ChooseAreaFolder(ProgramFolderOf(ProgramFilePath()));
    }

    CommSettings Settings()
    {
        std::unique_ptr<KeyStore> keys = MakeUserKeyStore();
        PortMap ports;
        SettingsStore store(*keys, ports);
        store.Load();
        return m_options.connection.AppliedTo(store.GetRecord());
    }

    const CliOptions& m_options;
    TerminalPrompts m_prompts;
    TerminalDialogs m_dialogs;
    DeviceLink m_link;
};

void PrintHeader(const ConfigHeader& header)
{
    std::cout << texts::kCliModel << Utf16ToUtf8(HeaderDeviceName(header)) << "\n"
              << texts::kCliVersion << Utf16ToUtf8(HeaderSoftwareVersion(header)) << "\n";
}

int ListPorts()
{
    std::vector<PortEntry> ports = PortMap().List();
    if (ports.empty()) std::cerr << texts::kCliNoPorts << "\n";
    for (const PortEntry& port : ports) std::cout << port.name << "\t" << port.devicePath << "\n";
    return EXIT_DONE;
}

int Identify(Session& session)
{
    if (!session.OpenPort()) return EXIT_FAILED;
    if (!session.Link().Identify()) return session.Link().deviceRefused ? session.FailureCode() : EXIT_FAILED;
    PrintHeader(session.Link().readHeader);
    return EXIT_DONE;
}

int Save(Session& session, const std::filesystem::path& file)
{
    // Asked before the device is read rather than after: a refused
    // overwrite should not cost a whole read.
    std::error_code error;
    if (!session.Options().force && std::filesystem::exists(file, error)) {
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
    PrintHeader(header);
    std::cout << texts::kCliSizes << header.size0 << " " << header.size16 << " " << header.size40 << " "
              << header.size64 << "\n";
    const uint64_t length = uint64_t{header.size0} + header.size16 + header.size40 + header.size64 + sizeof header;
    if (std::optional<WriteRefusal> refusal = RefuseWrite(header, static_cast<std::size_t>(length))) {
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

int Write(Session& session, const CliOptions& options)
{
    DeviceLink& link = session.Link();
    std::vector<uint8_t> image;
    if (!CheckConfigurationFile(link, options.file) || !LoadConfigurationImage(link, options.file, &image)) {
        return EXIT_FAILED;
    }
    // Refused from the file alone: the port is never opened.
    if (std::optional<WriteRefusal> refusal = RefuseWrite(link.header, image.size())) {
        session.Prompts().Show({refusal->text, refusal->icon, MsgButtons::Ok, false, MsgCaption::Application});
        return EXIT_FAILED;
    }
    if (!session.OpenPort()) return EXIT_FAILED;
    const int written = link.WriteConfiguration(image.data(), image.size(), options.verify);
    PrintVerification(link.lastWrite);
    if (!written) return link.lastWrite.differs ? EXIT_MISMATCH : session.FailureCode();
    if (options.verify) std::cerr << texts::kCliVerifyDone << std::endl;
    if (options.setClock) {
        std::unique_ptr<Clock> clock = MakeSystemClock();
        if (SetDeviceClock(link, session.Prompts(), *clock) != ClockOutcome::Done) return EXIT_FAILED;
    }
    return EXIT_DONE;
}

}  // namespace

int RunCommand(const CliOptions& options)
{
    if (options.command == "ports") return ListPorts();
    TerminalDialogs::InstallInterruptHandler();
    Session session(options);
    if (options.command == "identify") return Identify(session);
    if (options.command == "save") return Save(session, options.file);
    if (options.command == "inspect") return Inspect(session, options.file);
    return Write(session, options);
}
