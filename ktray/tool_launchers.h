// The popup's commands that start a program through the shell: the kit's own tools below the
// program directory and a few programs that come with Windows.
#pragma once

#include <windows.h>

namespace ktray {

constexpr char kWebSiteHost[] = "www.corvane.example";

// What one launch passes to ShellExecuteA (null where nothing is passed).
struct LaunchRequest {
    const char* file = nullptr;
    const char* parameters = nullptr;
    const char* directory = nullptr;
};

// The launch of command, with paths composed below programDirectory into the two buffers
// (kPathChars each). False for a command that starts nothing, and for a kit tool whose path
// would not fit or whose program directory is unknown (programDirectory null).
bool DescribeLaunch(UINT command, const char* programDirectory, int osKind, char* fileBuffer,
                    char* directoryBuffer, LaunchRequest& request);

bool IsLauncherCommand(UINT command);
// Starts the program of command with SW_SHOW. A launch that cannot be formed, or that the shell
// refuses, has no visible effect.
void LaunchTool(UINT command, const char* programDirectory);

}  // namespace ktray
