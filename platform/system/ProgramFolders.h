#pragma once
// Where the program finds itself and keeps its files (the settings file and the scratch copy of a
// pasted or dropped picture).

#include <string>

// The full path of the running executable; empty when the system does not say.
std::string ExecutablePath();
// The folder part of FileName without a trailing "/" (except for the root "/"); empty without a "/".
std::string ExtractFileDir(const std::string& FileName);
// The part of FileName after the last "/".
std::string ExtractFileName(const std::string& FileName);
// Whether a file can be created in Folder: tried by creating and removing one, which also holds for
// the superuser, whom permission bits do not stop.
bool FolderIsWritable(const std::string& Folder);
// The program's folder among the user's settings: $XDG_CONFIG_HOME/pixora when that variable holds an
// absolute path, otherwise $HOME/.config/pixora; created (with its parents) when missing.
std::string UserConfigFolder();
// Whether ExeFolder is the bin folder of an installed copy: its desktop entry lies in
// ../share/applications/pixora.desktop.
bool IsInstalledProgramFolder(const std::string& ExeFolder);
// The folder of the settings file and the scratch copy: ExeFolder itself for a program run from where it
// was built and can write there; UserConfigFolder for an installed program (even where the user may
// write to its bin folder, as the superuser can) and for a folder that cannot be written.
std::string ProgramFilesFolder(const std::string& ExeFolder);
// ProgramFilesFolder of the running executable's folder.
std::string ProgramFilesFolder();
