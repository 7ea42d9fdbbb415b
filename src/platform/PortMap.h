#pragma once
// The serial ports by the names the user knows them by: COM1, COM2 ... and
// the device behind each.
//
// Every terminal with a real device behind it is listed. UARTs that really
// have hardware keep COM(n+1) for ttySn. USB adapters (of any driver) and
// other UARTs get the first free number the first time they are seen; the
// number is remembered as an alias to the adapter's stable path, so it
// survives unplugging and replugging: its by-id path, which follows the
// adapter from socket to socket, or, where two adapters say the same of
// themselves (the same serial number, or none), its by-path path, which
// stays with the socket. Aliases are symbolic links
// <alias folder>/COMn -> device path; the user (or the simulated device) can
// add their own, and an alias overrides the on-board port of the same number.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

// OnBoard: ttySn, at COM(n+1); Usb: a USB adapter (Acm: of the modem class);
// Other: a UART of another driver (SoC UARTs); Alias: the user's own.
enum class PortKind : uint8_t { OnBoard, Usb, Acm, Other, Alias };

struct PortEntry {
    std::string name;         // "COM3"
    uint32_t number = 0;      // 3
    std::string devicePath;   // what is opened for it
    PortKind kind = PortKind::Alias;
    std::string description;  // what it is: "USB-RS485 converter, SN A1B2C3 (ttyUSB0)"

    friend bool operator==(const PortEntry&, const PortEntry&) = default;
};

// Where the map looks; tests point every one of them into a temporary folder.
struct PortMapRoots {
    std::string aliasFolder;
    std::string sysClassTty = "/sys/class/tty";
    std::string devFolder = "/dev";
    std::string byIdFolder = "/dev/serial/by-id";
    std::string byPathFolder = "/dev/serial/by-path";
};

class PortMap {
public:
    // The user's alias folder (beside the settings) and the running system.
    PortMap();
    explicit PortMap(PortMapRoots roots);

    // The ports present, ordered by number. Adapters seen for the first time
    // get their number here.
    std::vector<PortEntry> List();

    // The device path of a port given by number or by name ("COM3" or
    // "\\.\COM3"); nullopt when no such port is present.
    std::optional<std::string> Resolve(uint32_t number);
    std::optional<std::string> Resolve(const std::string& name);

    // Maps COMn to the device path, replacing an alias of that number; with
    // number 0 the first number that nothing uses is taken. The number, or 0
    // when the alias could not be made.
    uint32_t RegisterAlias(const std::string& devicePath, uint32_t number = 0);
    // Removes the alias; with onlyIfPath given, only while it still points
    // there (so a program cleaning up after itself leaves a newer alias alone).
    bool RemoveAlias(uint32_t number, const std::string& onlyIfPath = {});

    const PortMapRoots& Roots() const { return m_roots; }

    // 3 for "COM3", "com3" or "\\.\COM3"; nullopt for anything else.
    static std::optional<uint32_t> NumberOfName(const std::string& name);
    static std::string NameOfNumber(uint32_t number);

private:
    struct Alias {
        uint32_t number = 0;
        std::string target;        // as stored
        std::string resolvedPath;  // empty when the target is gone
    };
    struct Hardware {
        std::string ttyName;
        PortKind kind = PortKind::OnBoard;
        uint32_t onBoardNumber = 0;  // on-board ports only
        std::string devicePath;      // the stable path where there is one
        std::string resolvedPath;
        std::string description;
    };

    std::vector<Alias> ReadAliases() const;
    std::vector<Hardware> FindHardware() const;
    // The link in folder that leads to devicePath; devicePath if none does.
    std::string LinkIn(const std::string& folder, const std::string& devicePath) const;
    bool IsRemembered(const Alias& alias) const;
    std::set<uint32_t> NumbersInUse() const;
    uint32_t ClaimFirstFree(const std::string& devicePath);

    PortMapRoots m_roots;
};
