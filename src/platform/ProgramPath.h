#pragma once
// Where the program and the user's files live. Paths are UTF-8 texts; make
// a path of one with PathFromUtf8 (platform/Utf8Path.h).

#include <string>

// The full path of the running program's file; empty if it cannot be told.
std::string ProgramFilePath();

// The folder part of a program path, without the trailing separator; a path
// without any separator is its own folder.
std::string ProgramFolderOf(const std::string& programPath);

// Per-user folders: $XDG_CONFIG_HOME (default ~/.config) and
// $XDG_STATE_HOME (default ~/.local/state). A relative XDG value is ignored,
// as the XDG rules require. On Windows the state folder is the local
// application data folder (%LOCALAPPDATA%), and there is no configuration
// folder: the settings are in the registry.
std::string UserConfigDir();
std::string UserStateDir();

// The user's documents folder as `xdg-user-dir DOCUMENTS` tells it:
// XDG_DOCUMENTS_DIR of $XDG_CONFIG_HOME/user-dirs.dirs where that names a
// folder that exists, else the home folder. On Windows the known folder
// Documents (wherever the user or a policy has moved it).
std::string UserDocumentsDir();
