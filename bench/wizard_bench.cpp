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

}  // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("mirrex-wizard-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder / "config");
    ::setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
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
    std::filesystem::remove_all(folder);
    return read == 1 && written == 1 ? 0 : 1;
}
