#pragma once
// The command line of the simulated device.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "DeviceModel.h"
#include "PtyServer.h"

struct RandomAreas {
    uint32_t seed = 0;
    std::array<uint32_t, 4> sizes = {};
};

// Another device on the same line (a bus): its own address, model,
// version, turnaround and areas.
struct BusDevice {
    DeviceModelConfig device;
    std::string areasDir;  // empty: the model's own generated areas
};

struct DevsimOptions {
    DeviceModelConfig device;
    std::string areasDir;                    // config_0.dat ... to start from
    std::optional<RandomAreas> randomAreas;  // or random bytes of these sizes
    std::string saveAreasDir;                // where the areas go after every write
    DeviceLine line;                         // the device's rate, format, duplex, adapter
    std::string requestLog;                  // one line per request heard
    double faultRate = 0.0;
    uint32_t seed = 1;
    std::vector<DeviceFault> faultKinds;     // drawn from when faultRate > 0
    std::vector<FaultRule> faultScript;
    uint32_t com = 0;                        // 0: the first free number
    bool registerAlias = true;
    bool exitWithParent = false;
    std::vector<BusDevice> busDevices;       // --device, in the order given
};

// Fills options from the arguments; false with a message for the user, or
// false with an empty message when the user asked for help.
bool ParseDevsimOptions(int argc, char** argv, DevsimOptions& options, std::string& error);

// "ID:SKIP:TIMES:KIND[:SPLITAT[:GAPMS]]": ID is a parameter name ("P.R.D.D."),
// a hexadecimal identifier ("0x321a") or "*" for any request.
std::optional<FaultRule> ParseFaultRule(const std::string& text);

// "address=N[,bits=8|11][,model=TEXT][,version=TEXT][,turnaround=MS][,areas=DIR]".
std::optional<BusDevice> ParseBusDevice(const std::string& text);

extern const char* const kDevsimUsage;
