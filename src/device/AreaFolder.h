#pragma once
// Where the temporary area files config_N.dat live.
//
// The base folder is the program's own folder, as always, when the program
// may write there; otherwise (a program installed for all users) the user's
// state folder, $XDG_STATE_HOME/Mirrex or ~/.local/state/Mirrex (on Windows
// %LOCALAPPDATA%\Mirrex).
//
// A job holds its area folder for itself alone: two programs (or two links
// in one program) that read devices at the same time must never mix their
// areas. The first to come takes the base folder; the next ones take
// numbered sub-folders of it (areas-2, areas-3 ...), so a job neither fails
// nor waits because another runs. The hold is a lock on a file in the
// folder, which the system drops with the process: a job after a crashed
// one takes the folder again.

#include <filesystem>

#include "platform/ExclusiveFileLock.h"

std::filesystem::path ChooseAreaFolder(const std::filesystem::path& exeDir);

// The area folder of the running program, for the front ends.
std::filesystem::path ProgramAreaFolder();

class HeldAreaFolder {
public:
    // The base folder if no one holds it, else the first free numbered
    // sub-folder (created when missing). When no folder can be locked at
    // all (the base cannot be written), the base itself, unheld: the jobs
    // then report the files they cannot create.
    static HeldAreaFolder Take(const std::filesystem::path& base);

    const std::filesystem::path& Path() const { return m_path; }
    bool Held() const { return m_lock.Held(); }

private:
    std::filesystem::path m_path;
    ExclusiveFileLock m_lock;
};
