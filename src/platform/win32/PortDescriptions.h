#pragma once
// What the system says of each serial port, so that an engineer recognises
// the adapter behind a COM number: the Plug and Play friendly name and
// manufacturer of the devices of the Ports class.

#include <cstdint>
#include <map>
#include <optional>
#include <string>

// "USB Serial Port (COM3)" by "Acme" for COM3 gives "USB Serial Port,
// Acme": the port's own name is dropped from the end of the friendly name
// (the list shows it already), and the manufacturer is added unless the
// name holds it. Empty when the system says nothing.
std::string PortDescriptionOf(const std::string& portName, const std::string& friendlyName,
                              const std::string& manufacturer);

// The description of every present Plug and Play port, by its port name in
// capitals ("COM3"); empty where the system has none (as under some
// emulators, which only fill the device map).
std::map<std::string, std::string> PlugAndPlayPortDescriptions();

// How long the port's USB adapter holds received characters before passing
// them on, in milliseconds, where its driver keeps that setting among the
// port's device parameters (a DWORD "LatencyTimer" in its hardware key);
// nullopt for a port whose driver keeps none, or one not present.
std::optional<uint32_t> PortLatencyTimerMs(const std::string& portName);

// The port name in capitals, as the descriptions are keyed.
std::string PortKey(const std::string& portName);
