// ktray's hidden main window. Its creation is the whole start-up of the tray manager (installed
// tools, the tuning library's answers, the tuning tool's start-up jobs, the tray icon, the
// splash, the timers); afterwards it serves the popup's commands, the two timers and the
// messages other programs of the kit post to it.
#pragma once

#include <cstdint>

#include "cool_menu_manager.h"
#include "fan_schedule.h"
#include "program_paths.h"
#include "sound_library.h"
#include "taskbar_icon.h"
#include "window_layer.h"

namespace ktray {

constexpr size_t kBuildTitleChars = 100;

class CMainFrame : public CFrameWnd {
public:
    CMainFrame();
    ~CMainFrame() override = default;

    // Creates the never-shown top-level window (title string resourceId until start-up names
    // it), which runs the start-up sequence. False when creation failed.
    bool LoadFrame(UINT resourceId, DWORD style = WS_OVERLAPPEDWINDOW, HWND parent = nullptr);
    // The application ends when this window is destroyed.
    void EndApplicationOnDestroy() { m_endsApplication = true; }

    const char* ToolPath() const { return m_toolPath; }
    const char* ProgramDirectory() const { return m_programDirectory; }
    int32_t AutoOverclock() const { return m_autoOverclock; }
    const char* BuildTitle() const { return m_buildTitle; }
    CTaskbarIcon& TaskbarIcon() { return m_taskbarIcon; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    int OnCreate(UINT message, WPARAM wParam, LPARAM lParam);
    void ReadInstalledTools();
    void LocateProgram();
    void RunTuningToolStartup();
    void InstallMenuManager();
    void ShowTaskbarIcon();
    void StartBackgroundJobs();
    void OnCommand(UINT command);
    // Null when the program directory could not be taken whole: the kit's tools are then not
    // started at all rather than looked for in some other folder.
    const char* UsableProgramDirectory() const {
        return m_programDirectoryUsable ? m_programDirectory : nullptr;
    }

    char m_toolPath[kPathChars];          // program directory + "KR4\KR4.EXE"; "" without it
    char m_programDirectory[kPathChars];  // ends with a backslash
    int32_t m_autoOverclock = 0;
    FanSchedule m_fanSchedule;
    char m_buildTitle[kBuildTitleChars];  // the running tuning tool's exact window title
    CCoolMenuManager m_menuManager;       // draws the popup with images and the banner
    CTaskbarIcon m_taskbarIcon;
    bool m_programDirectoryUsable = true;
    bool m_endsApplication = false;
    // The outside library's player: constructed here, never destroyed. Last, so that whatever
    // the library keeps in its object lies after every member of the frame.
    CSound m_sound;
};

}  // namespace ktray
