// The kit's folder in the user's application data: <AppData>\Corvane\Kestrel4.
#pragma once

#include <string>

namespace tune {

// The user's application data folder, found without importing anything Windows 95 or NT 4.0
// lacks: SHGetFolderPathA (shell32, else shfolder.dll) and SHGetSpecialFolderPathA through
// GetProcAddress, then the "AppData" value of the user's "Shell Folders" key, and last
// "<Windows directory>\Application Data", where a Windows 95 without user profiles keeps it.
// False only when not even the Windows directory is known.
bool UserAppDataFolder(std::string& folder);

// <AppData>\Corvane\Kestrel4, created when missing (with create). No trailing backslash.
bool KitDataFolder(std::string& folder, bool create);

// Creates every missing folder of path (a folder, not a file). True when it exists afterwards.
bool CreateFolderPath(const std::string& path);

}  // namespace tune
