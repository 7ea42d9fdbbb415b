#pragma once
// Where the temporary area files config_N.dat live: the program's own
// folder, as always, when the program may write there; otherwise (a
// program installed for all users) the user's state folder,
// $XDG_STATE_HOME/Mirrex or ~/.local/state/Mirrex (on Windows
// %LOCALAPPDATA%\Mirrex).

#include <filesystem>

std::filesystem::path ChooseAreaFolder(const std::filesystem::path& exeDir);
// The area folder of the running program, for the front ends.
std::filesystem::path ProgramAreaFolder();
