// mirrex-devsim: a device on a pseudo-terminal, for trying the program
// without hardware, for the end-to-end tests and for the benchmarks.

#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <string_view>

#include "AreaFiles.h"
#include "DeviceModel.h"
#include "DevsimOptions.h"
#include "PtyServer.h"
#include "platform/PortMap.h"
#include "resources/ProgramVersion.h"

namespace {

volatile sig_atomic_t g_stop = 0;
volatile sig_atomic_t g_unplugged = 0;

void OnStopSignal(int)
{
    g_stop = 1;
}

void OnSwapSignal(int)
{
    g_unplugged = !g_unplugged;
}

// Blocks the stop signals outside the server's wait, so a signal can never
// slip in between checking the flag and starting to wait. Returns the mask
// to wait with.
sigset_t CatchStopSignals()
{
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
        sigaddset(&stopSignals, signal);
    }
    // SIGUSR1 takes the devices off the line and puts them back.
    struct sigaction swap {};
    swap.sa_handler = OnSwapSignal;
    sigemptyset(&swap.sa_mask);
    ::sigaction(SIGUSR1, &swap, nullptr);
    sigaddset(&stopSignals, SIGUSR1);
    ::signal(SIGPIPE, SIG_IGN);
    sigset_t waitMask;
    ::sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
    return waitMask;
}

bool LoadAreas(const std::string& areasDir, const std::optional<RandomAreas>& randomAreas, DeviceModel& device)
{
    AreaSet areas;
    if (!areasDir.empty()) {
        std::string error;
        auto loaded = LoadAreaFiles(areasDir, device.Config().areaCapacity, error);
        if (!loaded) {
            std::cerr << "mirrex-devsim: " << error << '\n';
            return false;
        }
        areas = std::move(*loaded);
    } else if (randomAreas) {
        areas = RandomAreaSet(randomAreas->seed, randomAreas->sizes);
    } else {
        return true;  // the model's own generated areas
    }
    for (size_t i = 0; i < areas.size(); ++i)
        device.SetArea(DeviceModel::kAreas[i], std::move(areas[i]));
    return true;
}

bool KeepAreasSaved(const std::string& folder, DeviceModel& device)
{
    for (const uint8_t area : DeviceModel::kAreas) {
        if (!SaveAreaFile(folder, area, device.Area(area))) {
            std::cerr << "mirrex-devsim: cannot write the areas into " << folder << '\n';
            return false;
        }
    }
    device.OnAreaWritten([folder](uint8_t area, const std::vector<uint8_t>& bytes) {
        if (!SaveAreaFile(folder, area, bytes))
            std::cerr << "mirrex-devsim: cannot save area " << int{area} << " into " << folder << '\n';
    });
    return true;
}

// A device keeps its own time whatever else the PC is busy with. Character
// times are fractions of a millisecond, and a simulator that is
// not scheduled for 20 ms opens a gap the program under test rightly takes
// for the end of an answer; a real-time priority keeps it on time on a busy
// machine. Where that is not allowed, it runs as it is.
void TakeRealTimePriority()
{
    const sched_param priority {10};
    ::sched_setscheduler(0, SCHED_FIFO | SCHED_RESET_ON_FORK, &priority);
}

// A line per request, flushed at once: a test reads it while we run.
bool LogRequests(const std::string& path, DeviceModel& device)
{
    auto log = std::make_shared<std::ofstream>(path, std::ios::app);
    if (!*log) {
        std::cerr << "mirrex-devsim: cannot write the request log " << path << '\n';
        return false;
    }
    device.OnRequestHeard([log](const HeardRequest& heard) {
        char id[8];
        std::snprintf(id, sizeof id, "%04x", heard.id);
        *log << id << ' ' << (heard.request ? 'R' : 'W');
        for (const uint8_t byte : heard.data) {
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02x", byte);
            *log << hex;
        }
        *log << std::endl;
    });
    return true;
}

void SetUpFaults(const DevsimOptions& options, DeviceModel& device)
{
    for (const FaultRule& rule : options.faultScript)
        device.AddFault(rule);
    if (options.faultRate > 0.0)
        device.SetRandomFaults(options.faultRate, options.seed, options.faultKinds);
}

}  // namespace

int main(int argc, char** argv)
{
    // --version with a value is the simulated device's software version;
    // alone, it asks for this program's.
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::cout << "mirrex-devsim " << texts::kProgramVersion << "\n";
        return 0;
    }
    DevsimOptions options;
    std::string error;
    if (!ParseDevsimOptions(argc, argv, options, error)) {
        if (error.empty()) {
            std::cout << kDevsimUsage;
            return 0;
        }
        std::cerr << "mirrex-devsim: " << error << "\n\n" << kDevsimUsage;
        return 2;
    }
    if (options.exitWithParent)
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    const sigset_t waitMask = CatchStopSignals();

    DeviceModel device(options.device);
    if (!LoadAreas(options.areasDir, options.randomAreas, device))
        return 1;
    std::vector<std::unique_ptr<DeviceModel>> busDevices;
    for (const BusDevice& bus : options.busDevices) {
        busDevices.push_back(std::make_unique<DeviceModel>(bus.device));
        if (!LoadAreas(bus.areasDir, std::nullopt, *busDevices.back()))
            return 1;
    }
    if (!options.saveAreasDir.empty() && !KeepAreasSaved(options.saveAreasDir, device))
        return 1;
    if (!options.requestLog.empty() && !LogRequests(options.requestLog, device))
        return 1;
    SetUpFaults(options, device);

    TakeRealTimePriority();
    options.line.burst.seed = options.seed;
    PtyServer server(device, options.line);
    for (const auto& bus : busDevices)
        server.AddDevice(*bus);
    server.SetUnplugged(&g_unplugged);
    if (!server.Create(error)) {
        std::cerr << "mirrex-devsim: " << error << '\n';
        return 1;
    }

    PortMap ports;
    uint32_t com = 0;
    if (options.registerAlias) {
        com = ports.RegisterAlias(server.SlavePath(), options.com);
        if (com == 0)
            std::cerr << "mirrex-devsim: cannot register a COM name in " << ports.Roots().aliasFolder << '\n';
    }
    std::cout << server.SlavePath() << '\n' << (com != 0 ? PortMap::NameOfNumber(com) : "-") << std::endl;
    const LineFormat& line = options.line.format;
    std::cerr << "mirrex-devsim: " << options.device.model << ' ' << options.device.version
              << " at address " << options.device.address << ", " << line.baudRate << " bit/s "
              << int{line.dataBits} << "NOE"[static_cast<int>(line.parity)]
              << (line.stopBits == LineStopBits::One ? '1' : '2')
              << (options.line.halfDuplex ? " half duplex" : "") << " on " << server.SlavePath()
              << (com != 0 ? " as " + PortMap::NameOfNumber(com) : std::string()) << '\n';
    for (const auto& bus : busDevices) {
        const DeviceModelConfig& config = bus->Config();
        std::cerr << "mirrex-devsim: on the same line " << config.model << ' ' << config.version << " at address "
                  << config.address << (config.elevenBit ? " (11-bit)" : "") << ", turnaround "
                  << config.turnaroundMs << " ms\n";
    }

    server.Run(g_stop, waitMask);

    if (com != 0)
        ports.RemoveAlias(com, server.SlavePath());
    return 0;
}
