#include "platform/PortMap.h"

#include <dirent.h>
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
#include "platform/ProgramPath.h"

namespace {

// COM numbers beyond this are not handed out automatically.
constexpr uint32_t kMaxAutoNumber = 255;

std::vector<std::string> EntriesOf(const std::string& folder)
{
    std::vector<std::string> names;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string RealPathOf(const std::string& path)
{
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

std::optional<std::string> LinkTargetOf(const std::string& path)
{
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink(path.c_str(), buffer, sizeof buffer);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof buffer)
        return std::nullopt;
    return std::string(buffer, static_cast<size_t>(length));
}

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

// A UART driver that found no chip at a port reports its type as 0; such
// phantom ttyS entries exist on most PCs and cannot be opened usefully.
bool UartHasHardware(const std::string& sysEntry)
{
    // sysfs reports every attribute as a page long, whatever it holds.
    const auto type = ReadWholeFile(sysEntry + "/type", 4096);
    if (!type)
        return false;
    const auto end = type->find_first_not_of("0123456789");
    const auto value = ParseNumber(std::string_view(*type).substr(0, end));
    return value && *value != 0;
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
    for (const auto& name : EntriesOf(m_roots.aliasFolder)) {
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

std::string PortMap::StablePathOf(const std::string& devicePath) const
{
    const std::string resolved = RealPathOf(devicePath);
    for (const auto& name : EntriesOf(m_roots.byIdFolder)) {
        const std::string link = m_roots.byIdFolder + '/' + name;
        if (RealPathOf(link) == resolved)
            return link;
    }
    return devicePath;
}

std::vector<PortMap::Hardware> PortMap::FindHardware() const
{
    std::vector<Hardware> found;
    for (const auto& name : EntriesOf(m_roots.sysClassTty)) {
        Hardware port;
        port.ttyName = name;
        const std::string node = m_roots.devFolder + '/' + name;
        if (const auto index = IndexAfter(name, "ttyS")) {
            if (*index >= kMaxAutoNumber || !UartHasHardware(m_roots.sysClassTty + '/' + name))
                continue;
            port.kind = PortKind::OnBoard;
            port.onBoardNumber = *index + 1;
            port.devicePath = node;
        } else if (IndexAfter(name, "ttyUSB") || IndexAfter(name, "ttyACM")) {
            port.kind = IndexAfter(name, "ttyUSB") ? PortKind::Usb : PortKind::Acm;
            port.devicePath = StablePathOf(node);
        } else {
            continue;
        }
        port.resolvedPath = RealPathOf(node);
        if (!port.resolvedPath.empty())
            found.push_back(std::move(port));
    }
    // Adapters seen together for the first time are numbered in a fixed
    // order: by kind, then by the kernel's index.
    std::sort(found.begin(), found.end(), [](const Hardware& a, const Hardware& b) {
        if (a.kind != b.kind)
            return a.kind < b.kind;
        if (a.kind == PortKind::OnBoard)
            return a.onBoardNumber < b.onBoardNumber;
        const auto digits = [](const std::string& n) { return n.substr(n.find_first_of("0123456789")); };
        return ParseNumber(digits(a.ttyName)) < ParseNumber(digits(b.ttyName));
    });
    return found;
}

bool PortMap::IsRemembered(const Alias& alias) const
{
    const std::string prefix = m_roots.byIdFolder + '/';
    return alias.target.compare(0, prefix.size(), prefix) == 0;
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
                                            port.devicePath, port.kind};
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
        byNumber[number] = {NameOfNumber(number), number, port.devicePath, port.kind};
    }
    for (const auto& alias : aliases) {
        if (!alias.resolvedPath.empty() && aliasesTaken.count(alias.number) == 0)
            byNumber[alias.number] = {NameOfNumber(alias.number), alias.number, alias.target,
                                      PortKind::Alias};
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
