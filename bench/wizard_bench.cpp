// How the wizard's user-interface thread fares while areas are transferred:
// a whole read and a whole write of a configuration through the real
// progress dialogs against the simulated device at 115200 bit/s, with a
// 10 ms timer on the dialogs' thread recording the longest gap between its
// ticks (a gap is time the thread could not repaint or react). Also the
// process's peak resident memory.

#include <unistd.h>

#include <algorithm>
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
#include "settings/CommSettings.h"
#include "wizard/CWaitNorm.h"

namespace {

class SilentYes : public Prompts {
public:
    MsgAnswer Show(const MessageBoxRequest& request) override
    {
        std::printf("  box: %s\n", request.text.c_str());
        return MsgAnswer::Yes;
    }
};

// Ticks every 10 ms and keeps the longest gap and the number over 100 ms.
class GapWatch {
public:
    GapWatch()
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 gap = m_clock.restart();
            m_longest = std::max(m_longest, gap);
            m_gaps.push_back(gap);
            if (gap > 100)
                ++m_over;
        });
    }
    void Start()
    {
        m_longest = 0;
        m_over = 0;
        m_gaps.clear();
        m_clock.start();
        m_timer.start();
    }
    void Stop() { m_timer.stop(); }
    qint64 Longest() const { return m_longest; }
    int Over() const { return m_over; }
    // The gap that 99 % of all gaps do not exceed.
    qint64 Percentile99()
    {
        if (m_gaps.empty())
            return 0;
        std::sort(m_gaps.begin(), m_gaps.end());
        return m_gaps[m_gaps.size() * 99 / 100];
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    std::vector<qint64> m_gaps;
    qint64 m_longest = 0;
    int m_over = 0;
};

void Report(int result, qint64 milliseconds, GapWatch& watch)
{
    std::printf("  result %d in %lld ms; UI thread gaps: 99%% within %lld ms, longest %lld ms, %d over 100 ms\n",
                result, milliseconds, watch.Percentile99(), watch.Longest(), watch.Over());
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
