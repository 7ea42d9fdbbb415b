#include "WriteGuards.h"

#include "PortSession.h"
#include "SaveTarget.h"

WriteSafeguards SafeguardsOf(const CliOptions& options, const DeviceLink& link, const std::optional<PortChoice>& port)
{
    WriteSafeguards guards;
    // Named in full in the messages and the report, wherever they are read.
    std::error_code error;
    if (options.backupFolder) guards.backupFolder = std::filesystem::absolute(PathFromUtf8(*options.backupFolder), error);
    guards.skipSame = options.skipSame;
    guards.port = PortNameOf(link, port);
    return guards;
}

std::optional<std::string> WhyBackupFolderCannotTake(const std::filesystem::path& folder)
{
    // A name no backup takes: only the folder's own troubles can show.
    return WhyTargetCannotBeSaved(folder / ".backup-check");
}
