// How the wizard's user-interface thread fares while areas are transferred:
// a whole read and a whole write of a configuration through the real
// progress dialogs against the simulated device at 115200 bit/s, with a
// 10 ms timer on the dialogs' thread recording the longest gap between its
// ticks (a gap is time the thread could not repaint or react). Also the
// process's peak resident memory.

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "DevsimLauncher.h"
#include "device/DeviceLink.h"
#include "device/Prompts.h"
#include "gui/qt/CWaitNorm.h"
#include "settings/CommSettings.h"

namespace {

class SilentYes : public Prompts {
public:
    MsgAnswer Show(const MessageBoxRequest& request) override
    {
        std::printf("  box: %s\n", request.text.c_str());
        return MsgAnswer::Yes;
    }
};

// Ticks every 10 ms and keeps the gaps between ticks: those while a
// progress dialog was open on both ends (an area transferring) apart from
// the others (between areas, where the job stores the area on this thread).
class GapWatch {
public:
    struct Gaps {
        std::vector<qint64> values;
        qint64 Longest() const { return values.empty() ? 0 : *std::max_element(values.begin(), values.end()); }
        long Over100() const { return std::count_if(values.begin(), values.end(), [](qint64 g) { return g > 100; }); }
        // The gap that 99 % of all gaps do not exceed.
        qint64 Percentile99() const
        {
            if (values.empty())
                return 0;
            std::vector<qint64> sorted = values;
            std::sort(sorted.begin(), sorted.end());
            return sorted[sorted.size() * 99 / 100];
        }
    };

    GapWatch()
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 gap = m_clock.restart();
            const bool inDialog = QApplication::activeModalWidget() != nullptr;
            (inDialog && m_lastInDialog ? transfer : between).values.push_back(gap);
            m_lastInDialog = inDialog;
        });
    }
    void Start()
    {
        transfer.values.clear();
        between.values.clear();
        m_lastInDialog = false;
        m_clock.start();
        m_timer.start();
    }
    void Stop() { m_timer.stop(); }

    Gaps transfer;
    Gaps between;

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    bool m_lastInDialog = false;
};

void Report(int result, qint64 milliseconds, const GapWatch& watch)
{
    std::printf("  result %d in %lld ms\n", result, milliseconds);
    std::printf("  UI thread while an area transfers: 99%% of gaps within %lld ms, longest %lld ms, %ld over 100 ms\n",
                watch.transfer.Percentile99(), watch.transfer.Longest(), watch.transfer.Over100());
    std::printf("  UI thread between areas (area stored, dialogs opened): longest %lld ms, %ld over 100 ms\n",
                watch.between.Longest(), watch.between.Over100());
}

long PeakResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

// The user's folders (where the simulated device registers its alias and
// the areas are kept) in a fresh temporary folder for the run, never the
// user's own, removed afterwards however the run ends.
class PrivateUserFolders {
public:
    PrivateUserFolders()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "mirrex-wizard-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            return;
        m_root = pattern;
        for (const char* name : {"config", "state", "runtime"})
            std::filesystem::create_directories(m_root / name);
        std::filesystem::permissions(m_root / "runtime", std::filesystem::perms::owner_all);
        ::setenv("XDG_CONFIG_HOME", (m_root / "config").c_str(), 1);
        ::setenv("XDG_STATE_HOME", (m_root / "state").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (m_root / "runtime").c_str(), 1);
    }
    ~PrivateUserFolders()
    {
        std::error_code ignored;
        if (!m_root.empty())
            std::filesystem::remove_all(m_root, ignored);
    }
    PrivateUserFolders(const PrivateUserFolders&) = delete;
    PrivateUserFolders& operator=(const PrivateUserFolders&) = delete;
    const std::filesystem::path& Root() const { return m_root; }

private:
    std::filesystem::path m_root;
};

}  // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const PrivateUserFolders folders;
    if (folders.Root().empty()) {
        std::perror("wizard_bench: private folders");
        return 1;
    }
    const std::filesystem::path& folder = folders.Root();
    QApplication application(argc, argv);

    DevsimLauncher device;
    if (!device.Start(MIRREX_DEVSIM_PROGRAM, {"--random-areas", "11:16384,4096,1024,256", "--baud", "115200",
                                              "--restart-silence", "0", "--exit-with-parent"})) {
        std::fprintf(stderr, "wizard_bench: %s\n", device.Error().c_str());
        return 1;
    }
    SilentYes prompts;
    QtProgressDialogs dialogs(prompts);
    DeviceLink link(prompts, dialogs, folder);
    dialogs.SetLink(&link);
    CommSettings settings = DefaultCommSettings();
    settings.com = device.ComNumber();
    if (link.Start(settings) != 0) {
        std::fprintf(stderr, "wizard_bench: cannot open COM%u\n", settings.com);
        return 1;
    }

    GapWatch watch;
    QElapsedTimer elapsed;
    std::printf("read of 21.25 KiB under CWaitNorm:\n");
    watch.Start();
    elapsed.start();
    const int read = link.ReadConfiguration();
    watch.Stop();
    Report(read, elapsed.elapsed(), watch);

    std::vector<uint8_t> image;
    for (uint8_t area : kAreas) {
        std::ifstream in(link.AreaFilePath(area), std::ios::binary);
        image.insert(image.end(), std::istreambuf_iterator<char>(in), {});
    }
    // The identity the read found, as a saved file carries it: the write
    // checks it against the device.
    link.header = link.readHeader;
    link.header.magic = kConfigMagic;
    link.header.size0 = link.readSizes[0];
    link.header.size16 = link.readSizes[1];
    link.header.size40 = link.readSizes[2];
    link.header.size64 = link.readSizes[3];
    const auto* raw = reinterpret_cast<const uint8_t*>(&link.header);
    image.insert(image.end(), raw, raw + sizeof(ConfigHeader));

    std::printf("write of the same under CWaitNorm_Write (device restart included):\n");
    watch.Start();
    elapsed.start();
    const int written = link.WriteConfiguration(image.data(), image.size());
    watch.Stop();
    Report(written, elapsed.elapsed(), watch);
    std::printf("peak resident memory: %.1f MB\n", PeakResidentKiB() / 1024.0);

    link.Stop();
    return read == 1 && written == 1 ? 0 : 1;
}
