#include "WriteGuards.h"

#include "PortSession.h"
#include "SaveTarget.h"

WriteSafeguards SafeguardsOf(const CliOptions& options, const DeviceLink& link, const std::optional<PortChoice>& port)
{
    WriteSafeguards guards;
    if (options.backupFolder) guards.backupFolder = PathFromUtf8(*options.backupFolder);
    guards.skipSame = options.skipSame;
    guards.port = PortNameOf(link, port);
    return guards;
}

std::optional<std::string> WhyBackupFolderCannotTake(const std::filesystem::path& folder)
{
    // A name no backup takes: only the folder's own troubles can show.
    return WhyTargetCannotBeSaved(folder / ".backup-check");
}
