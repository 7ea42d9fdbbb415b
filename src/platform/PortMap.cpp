#include "platform/PortMap.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>

#include "platform/AtomicFile.h"
#include "platform/PathQueries.h"
#include "platform/ProgramPath.h"
#include "platform/TtyDevices.h"

namespace {

// COM numbers beyond this are not handed out automatically.
constexpr uint32_t kMaxAutoNumber = 255;

std::optional<uint32_t> ParseNumber(std::string_view digits)
{
    uint32_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return value;
}

// The index n of "<prefix>n", or nullopt.
std::optional<uint32_t> IndexAfter(const std::string& name, std::string_view prefix)
{
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    return ParseNumber(std::string_view(name).substr(prefix.size()));
}

bool ReplaceLink(const std::string& target, const std::string& linkPath)
{
    static std::atomic<unsigned> counter{0};
    const std::string temporary = linkPath + ".new." + std::to_string(::getpid()) + "."
                                  + std::to_string(counter++);
    if (::symlink(target.c_str(), temporary.c_str()) != 0)
        return false;
    if (::rename(temporary.c_str(), linkPath.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace

PortMap::PortMap() : PortMap(PortMapRoots{UserConfigDir() + "/Tolvar/Mirrex.ports"}) {}

PortMap::PortMap(PortMapRoots roots) : m_roots(std::move(roots)) {}

std::vector<PortMap::Alias> PortMap::ReadAliases() const
{
    std::vector<Alias> aliases;
    for (const auto& name : FolderEntries(m_roots.aliasFolder)) {
        const auto number = NumberOfName(name);
        if (!number || NameOfNumber(*number) != name)
            continue;
        const std::string path = m_roots.aliasFolder + '/' + name;
        auto target = LinkTargetOf(path);
        if (target)
            aliases.push_back({*number, std::move(*target), RealPathOf(path)});
    }
    return aliases;
}

std::string PortMap::LinkIn(const std::string& folder, const std::string& devicePath) const
{
    const std::string resolved = RealPathOf(devicePath);
    for (const auto& name : FolderEntries(folder)) {
        const std::string link = folder + '/' + name;
        if (RealPathOf(link) == resolved)
            return link;
    }
    return devicePath;
}

std::vector<PortMap::Hardware> PortMap::FindHardware() const
{
    const std::vector<TtyDevice> ttys = FindTtyDevices(m_roots.sysClassTty);
    std::map<std::string, int> sameIdentity;
    for (const TtyDevice& tty : ttys) {
        if (tty.bus == TtyBus::Usb)
            ++sameIdentity[tty.usbIdentity];
    }
    std::vector<Hardware> found;
    for (const TtyDevice& tty : ttys) {
        Hardware port;
        port.ttyName = tty.name;
        port.description = tty.description;
        const std::string node = m_roots.devFolder + '/' + tty.name;
        if (const auto index = IndexAfter(tty.name, "ttyS"); index && *index < kMaxAutoNumber) {
            port.kind = PortKind::OnBoard;
            port.onBoardNumber = *index + 1;
            port.devicePath = node;
        } else if (tty.bus == TtyBus::Usb) {
            port.kind = IndexAfter(tty.name, "ttyACM") ? PortKind::Acm : PortKind::Usb;
            if (sameIdentity[tty.usbIdentity] == 1)
                port.devicePath = LinkIn(m_roots.byIdFolder, node);
            if (port.devicePath == node || port.devicePath.empty())
                port.devicePath = LinkIn(m_roots.byPathFolder, node);
        } else {
            port.kind = PortKind::Other;
            port.devicePath = node;
        }
        port.resolvedPath = RealPathOf(node);
        if (!port.resolvedPath.empty())
            found.push_back(std::move(port));
    }
    // Adapters seen together for the first time are numbered in a fixed
    // order: by kind, then by the driver's name, then by the kernel's index.
    std::sort(found.begin(), found.end(), [](const Hardware& a, const Hardware& b) {
        if (a.kind != b.kind)
            return a.kind < b.kind;
        if (a.kind == PortKind::OnBoard)
            return a.onBoardNumber < b.onBoardNumber;
        const auto split = [](const std::string& n) {
            const auto digits = n.find_last_not_of("0123456789") + 1;
            return std::make_pair(n.substr(0, digits), ParseNumber(std::string_view(n).substr(digits)));
        };
        return split(a.ttyName) < split(b.ttyName);
    });
    return found;
}

// An alias to an adapter's stable path keeps its number while the adapter
// is unplugged.
bool PortMap::IsRemembered(const Alias& alias) const
{
    for (const std::string& folder : {m_roots.byIdFolder, m_roots.byPathFolder}) {
        const std::string prefix = folder + '/';
        if (alias.target.compare(0, prefix.size(), prefix) == 0)
            return true;
    }
    return false;
}

std::set<uint32_t> PortMap::NumbersInUse() const
{
    std::set<uint32_t> used;
    for (const auto& alias : ReadAliases()) {
        if (!alias.resolvedPath.empty() || IsRemembered(alias))
            used.insert(alias.number);
    }
    for (const auto& port : FindHardware()) {
        if (port.kind == PortKind::OnBoard)
            used.insert(port.onBoardNumber);
    }
    return used;
}

uint32_t PortMap::ClaimFirstFree(const std::string& devicePath)
{
    const std::set<uint32_t> used = NumbersInUse();
    if (!MakeDirectories(m_roots.aliasFolder))
        return 0;
    for (uint32_t number = 1; number <= kMaxAutoNumber; ++number) {
        if (used.count(number) != 0)
            continue;
        const std::string link = m_roots.aliasFolder + '/' + NameOfNumber(number);
        // symlink() refuses an existing name, so two programs claiming at the
        // same moment never get the same number.
        if (::symlink(devicePath.c_str(), link.c_str()) == 0)
            return number;
        if (errno != EEXIST)
            return 0;
        // Left behind by a program that ended without cleaning up: reuse it.
        const Alias stale{number, LinkTargetOf(link).value_or(""), RealPathOf(link)};
        if (stale.resolvedPath.empty() && !IsRemembered(stale) && ReplaceLink(devicePath, link))
            return number;
    }
    return 0;
}

std::vector<PortEntry> PortMap::List()
{
    auto aliases = ReadAliases();
    std::map<uint32_t, PortEntry> byNumber;
    std::set<uint32_t> aliasesTaken;

    for (const auto& port : FindHardware()) {
        if (port.kind == PortKind::OnBoard) {
            byNumber[port.onBoardNumber] = {NameOfNumber(port.onBoardNumber), port.onBoardNumber,
                                            port.devicePath, port.kind, port.description};
            continue;
        }
        const auto known = std::find_if(aliases.begin(), aliases.end(), [&](const Alias& alias) {
            return alias.resolvedPath == port.resolvedPath;
        });
        uint32_t number = 0;
        if (known != aliases.end()) {
            number = known->number;
            aliasesTaken.insert(number);
        } else {
            number = ClaimFirstFree(port.devicePath);
        }
        if (number == 0) {
            // The number cannot be remembered (no writable settings folder):
            // the adapter is still there and gets one for now.
            const auto used = NumbersInUse();
            for (number = 1; used.count(number) != 0 || byNumber.count(number) != 0; ++number) {
            }
        }
        byNumber[number] = {NameOfNumber(number), number, port.devicePath, port.kind, port.description};
    }
    for (const auto& alias : aliases) {
        if (!alias.resolvedPath.empty() && aliasesTaken.count(alias.number) == 0)
            byNumber[alias.number] = {NameOfNumber(alias.number), alias.number, alias.target,
                                      PortKind::Alias, alias.target};
    }

    std::vector<PortEntry> entries;
    for (auto& [number, entry] : byNumber)
        entries.push_back(std::move(entry));
    return entries;
}

uint32_t PortMap::RegisterAlias(const std::string& devicePath, uint32_t number)
{
    if (number == 0)
        return ClaimFirstFree(devicePath);
    if (!MakeDirectories(m_roots.aliasFolder)
        || !ReplaceLink(devicePath, m_roots.aliasFolder + '/' + NameOfNumber(number)))
        return 0;
    return number;
}

bool PortMap::RemoveAlias(uint32_t number, const std::string& onlyIfPath)
{
    const std::string link = m_roots.aliasFolder + '/' + NameOfNumber(number);
    if (!onlyIfPath.empty() && LinkTargetOf(link) != onlyIfPath)
        return false;
    return ::unlink(link.c_str()) == 0;
}
