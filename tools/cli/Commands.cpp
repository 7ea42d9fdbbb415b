#include "Commands.h"

#include <iostream>
#include <memory>

#include "TerminalDialogs.h"
#include "TerminalPrompts.h"
#include "configfile/ConfigurationFile.h"
#include "device/AreaFolder.h"
#include "device/DeviceLink.h"
#include "device/FileIo.h"
#include "platform/CodePage1251.h"
#include "platform/Clock.h"
#include "platform/Console.h"
#include "platform/PortMap.h"
#ifdef _WIN32
#include "platform/win32/Win32SerialLine.h"
using PathSerialLine = Win32SerialLine;
#else
#include "platform/PosixSerialLine.h"
using PathSerialLine = PosixSerialLine;
#endif
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
          m_prompts({options.force, options.acceptVersionMismatch}, IsConsole(StandardStream::Input)),
          m_dialogs(m_prompts, IsConsole(StandardStream::Error)),
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
        if (m_options.areaFolder) return PathFromUtf8(*m_options.areaFolder);
        return ProgramAreaFolder();
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
    PrintHeader(session.Link().header);
    return EXIT_DONE;
}

int Save(Session& session, const std::filesystem::path& file)
{
    // Asked before the device is read rather than after: a refused
    // overwrite should not cost a whole read.
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
    PrintHeader(header);
    std::cout << texts::kCliSizes << header.size0 << " " << header.size16 << " " << header.size40 << " "
              << header.size64 << "\n";
    return EXIT_DONE;
}

// Reads the four areas back and compares them with the image.
int Verify(Session& session, const std::vector<uint8_t>& image)
{
    DeviceLink& link = session.Link();
    const ConfigHeader written = link.header;
    if (!link.ReadConfiguration()) return session.FailureCode();
    const uint32_t sizes[4] = {written.size0, written.size16, written.size40, written.size64};
    std::size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        std::vector<uint8_t> expected(image.begin() + static_cast<std::ptrdiff_t>(start),
                                      image.begin() + static_cast<std::ptrdiff_t>(start + sizes[i]));
        start += sizes[i];
        std::vector<uint8_t> read;
        File file = OpenFile(link.AreaFilePath(kAreas[i]), FileMode::Read);
        int64_t length = file.Length();
        if (length >= 0) {
            read.resize(static_cast<std::size_t>(length));
            if (!file.ReadExactly(read.data(), read.size())) read.clear();
        }
        if (read != expected) {
            std::cerr << texts::kCliVerifyMismatch << int(kAreas[i]) << std::endl;
            return EXIT_MISMATCH;
        }
    }
    std::cerr << texts::kCliVerifyDone << std::endl;
    return EXIT_DONE;
}

int Write(Session& session, const CliOptions& options)
{
    DeviceLink& link = session.Link();
    std::vector<uint8_t> image;
    const std::filesystem::path file = PathFromUtf8(options.file);
    if (!CheckConfigurationFile(link, file) || !LoadConfigurationImage(link, file, &image)) {
        return EXIT_FAILED;
    }
    if (!session.OpenPort()) return EXIT_FAILED;
    if (!link.WriteConfiguration(image.data(), image.size())) return session.FailureCode();
    if (options.setClock) {
        std::unique_ptr<Clock> clock = MakeSystemClock();
        if (SetDeviceClock(link, session.Prompts(), *clock) != ClockOutcome::Done) return EXIT_FAILED;
    }
    return options.verify ? Verify(session, image) : EXIT_DONE;
}

}  // namespace

int RunCommand(const CliOptions& options)
{
    if (options.command == "ports") return ListPorts();
    TerminalDialogs::InstallInterruptHandler();
    Session session(options);
    if (options.command == "identify") return Identify(session);
    if (options.command == "save") return Save(session, PathFromUtf8(options.file));
    if (options.command == "inspect") return Inspect(session, PathFromUtf8(options.file));
    return Write(session, options);
}
