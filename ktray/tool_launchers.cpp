// The launcher table and the one shell call every launcher makes.
#include "tool_launchers.h"

#include <shellapi.h>

#include "os_kind.h"
#include "program_paths.h"
#include "resource.h"

namespace ktray {

namespace {

enum class Place {
    AsIs,              // a name the shell finds, or relative to the current (program) directory
    BelowProgram,      // program directory + file
};
enum class WorkIn { Default, ProgramDirectory, TuningToolFolder };

struct Launcher {
    UINT command;
    const char* file;
    const char* parameters;
    Place place;
    WorkIn directory;
    bool kitTool;  // lives below the program directory, relative or composed
};

constexpr char kMediaPlayer9x[] = "mplayer2.exe";
constexpr char kMediaPlayerNt[] = "mplay32.exe";
constexpr char kTuningToolFolder[] = "KR4\\";

const Launcher kLaunchers[] = {
    {ID_DISPLAY_PROPERTIES, "Rundll32.exe", "shell32.dll,Control_RunDLL desk.cpl", Place::AsIs,
     WorkIn::Default, false},
    {ID_VISIT_WEB_SITE, "IEXPLORE.EXE", kWebSiteHost, Place::AsIs, WorkIn::Default, false},
    {ID_BIOS_FLASH, ".\\bios\\Rvflash.exe", nullptr, Place::AsIs, WorkIn::Default, true},
    {ID_DMI_TOOL, ".\\dmi\\platecfg.exe", nullptr, Place::AsIs, WorkIn::Default, true},
    {ID_SYSTEM_INFO, "MSINFO32.EXE", nullptr, Place::AsIs, WorkIn::Default, false},
    {ID_MEDIA_PLAYER, nullptr, nullptr, Place::AsIs, WorkIn::Default, false},
    {ID_CD_PLAYER, "cdplayer.exe", nullptr, Place::AsIs, WorkIn::Default, false},
    {ID_RUN_TUNING_TOOL, "KR4\\KR4.EXE", nullptr, Place::BelowProgram, WorkIn::TuningToolFolder,
     true},
    {ID_LOGO_TOOL, "LogoSm\\addlogo.exe", nullptr, Place::BelowProgram, WorkIn::ProgramDirectory,
     true},
};

const Launcher* FindLauncher(UINT command) {
    for (const Launcher& launcher : kLaunchers)
        if (launcher.command == command) return &launcher;
    return nullptr;
}

}  // namespace

bool IsLauncherCommand(UINT command) { return FindLauncher(command) != nullptr; }

bool DescribeLaunch(UINT command, const char* programDirectory, int osKind, char* fileBuffer,
                    char* directoryBuffer, LaunchRequest& request) {
    const Launcher* row = FindLauncher(command);
    if (!row) return false;
    // Without its program directory a kit tool could resolve against a folder of strangers.
    if (row->kitTool && !programDirectory) return false;

    request = LaunchRequest();
    request.parameters = row->parameters;
    request.file = row->file;
    if (command == ID_MEDIA_PLAYER)
        request.file = osKind == kOsWindows9x ? kMediaPlayer9x : kMediaPlayerNt;
    if (row->place == Place::BelowProgram) {
        if (!JoinPath(programDirectory, row->file, fileBuffer, kPathChars)) return false;
        request.file = fileBuffer;
    }
    switch (row->directory) {
    case WorkIn::Default:
        break;
    case WorkIn::ProgramDirectory:
        request.directory = programDirectory;
        break;
    case WorkIn::TuningToolFolder:
        if (!JoinPath(programDirectory, kTuningToolFolder, directoryBuffer, kPathChars))
            return false;
        request.directory = directoryBuffer;
        break;
    }
    return true;
}

void LaunchTool(UINT command, const char* programDirectory) {
    char file[kPathChars], directory[kPathChars];
    LaunchRequest request;
    const int osKind = command == ID_MEDIA_PLAYER ? GetOsKind() : kOsWindows9x;
    if (!DescribeLaunch(command, programDirectory, osKind, file, directory, request)) return;
    ShellExecuteA(nullptr, nullptr, request.file, request.parameters, request.directory, SW_SHOW);
}

}  // namespace ktray
