// The main frame's start-up sequence and its message handling.
#include "main_frame.h"

#include <commctrl.h>

#include "about_box.h"
#include "hardware_alarm.h"
#include "installed_title.h"
#include "kclk.h"
#include "processor_check.h"
#include "registry.h"
#include "resource.h"
#include "settings_keys.h"
#include "startup_probe.h"
#include "startup_splash.h"
#include "tool_flags.h"
#include "tool_launchers.h"
#include "tray_messages.h"

namespace ktray {

namespace {
constexpr char kFrameClass[] = "KtrayMainFrame";
constexpr char kToolInFolder[] = "KR4\\KR4.EXE";
constexpr char kToolFolder[] = "KR4\\";
constexpr DWORD kModulePathChars = 512;
}  // namespace

CMainFrame::CMainFrame() {
    m_toolPath[0] = '\0';
    m_programDirectory[0] = '\0';
    m_buildTitle[0] = '\0';
}

bool CMainFrame::LoadFrame(UINT resourceId, DWORD style, HWND parent) {
    const HINSTANCE module = GetModuleHandleA(nullptr);
    if (!RegisterClassOnce(kFrameClass, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW,
                           LoadCursorA(nullptr, IDC_ARROW),
                           reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1),
                           LoadIconA(module, MAKEINTRESOURCEA(IDR_TRAYICON))))
        return false;
    char title[64] = "";
    LoadStringA(module, resourceId, title, sizeof(title));
    return CreateEx(0, kFrameClass, title, style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                    CW_USEDEFAULT, parent, nullptr);
}

// Which tools are installed: the tuning tool machine-wide (with its build title), the others
// per user.
void CMainFrame::ReadInstalledTools() {
    ToolFlags& tools = Tools();
    tools.tuningTool = tools.logoTool = tools.dmiTool = tools.biosTool = 0;

    // The tool's own window carries the same title (formed by the same code), which the alarm
    // watch looks for; with the tool not installed there is no title to look for.
    if (InstalledBuildTitle(m_buildTitle, sizeof(m_buildTitle)))
        tools.tuningTool = 1;
    else
        m_buildTitle[0] = '\0';
    ReadOtherToolKeys(tools);
}

// The program directory, which is also made the current directory so that the
// launchers' relative paths resolve against it.
void CMainFrame::LocateProgram() {
    m_toolPath[0] = '\0';
    m_programDirectory[0] = '\0';
    InitCommonControls();

    char path[kModulePathChars];
    const DWORD length = GetModuleFileNameA(nullptr, path, kModulePathChars);
    // A full buffer means the path was cut (and, before XP, not even terminated).
    m_programDirectoryUsable = length > 0 && length < kModulePathChars &&
                               DirectoryOfPath(path, m_programDirectory, kPathChars);
    if (m_programDirectoryUsable && m_programDirectory[0])
        SetCurrentDirectoryA(m_programDirectory);
}

// With the tuning tool installed: what the tuning library says about the FSB, then the tuning
// tool's start-up jobs.
void CMainFrame::RunTuningToolStartup() {
    if (Check_KRVer() == 4) {
        GetOverClockAttribute();
        const int32_t shown = SupFSBShow();
        const int32_t adjustable = FSBCanAdj();
        Tools().fsbFixed = shown == 1 && adjustable != 1;
    }
    char toolFolder[kPathChars] = "";
    if (m_programDirectoryUsable &&
        !(JoinPath(m_programDirectory, kToolInFolder, m_toolPath, kPathChars) &&
          JoinPath(m_programDirectory, kToolFolder, toolFolder, kPathChars)))
        m_toolPath[0] = toolFolder[0] = '\0';

    CpuIdentity cpu;
    IdentifyCpu(cpu);
    CheckProcessorChange(m_hWnd, cpu, ReadVendorKind());
    m_autoOverclock = LaunchAutoOverclock(m_toolPath, toolFolder);
    DeleteCpuMulti();
}

// The menu manager hooks this frame, so the popups tracked for it are drawn with the toolbar's
// images and the banner. Without the images (a resource that fails to load) the popup still
// works, with plain items.
void CMainFrame::InstallMenuManager() {
    m_menuManager.AttachToFrame(this);
    m_menuManager.AddToolbarImages(IDR_MENUIMAGES);
}

// The icon, its tip, the window's title by which other programs find it, the popup.
void CMainFrame::ShowTaskbarIcon() {
    m_taskbarIcon.SetOwner(m_hWnd);
    m_taskbarIcon.SetIcon(static_cast<UINT>(IDR_TRAYICON));
    m_taskbarIcon.SetTip(kTrayTip);
    SetWindowTextA(m_hWnd, kMainWindowTitle);
    m_taskbarIcon.SetMenuId(IDR_TRAYMENU);
    m_taskbarIcon.ShowIcon(true);
}

// With the tuning tool installed: the alarm watch, the sound settings, and the fan schedule
// when the board has one.
void CMainFrame::StartBackgroundJobs() {
    SetTimer(m_hWnd, kMonitorTimer, kMonitorPeriodMs, nullptr);
    LoadAudioSettings(m_sound);
    if (Check_SmartFan() != 0) SetTimer(m_hWnd, kFanScheduleTimer, kFanSchedulePeriodMs, nullptr);
}

int CMainFrame::OnCreate(UINT message, WPARAM wParam, LPARAM lParam) {
    ReadInstalledTools();
    KTRAY_STARTUP_POINT("tools-read");
    LocateProgram();
    if (Tools().tuningTool) RunTuningToolStartup();
    KTRAY_STARTUP_POINT("tuning-jobs-done");
    if (Default(message, wParam, lParam) == -1) return -1;
    InstallMenuManager();
    ShowTaskbarIcon();
    CStartupSplash::ShowSplashScreen(this);
    Sleep(KTRAY_STARTUP_PAUSE(kStartupPauseMs));
    if (Tools().tuningTool) StartBackgroundJobs();
    KTRAY_STARTUP_POINT("started");
    return 0;
}

void CMainFrame::OnCommand(UINT command) {
    switch (command) {
    case ID_AUTO_OVERCLOCK:
        ToggleAutoOverclock(m_autoOverclock);
        return;
    case ID_APP_ABOUT:
        ShowAboutBox(m_hWnd);
        return;
    case ID_APP_EXIT:
        SendMessageA(m_hWnd, WM_CLOSE, 0, 0);
        return;
    default:
        if (IsLauncherCommand(command)) LaunchTool(command, UsableProgramDirectory());
        return;
    }
}

LRESULT CMainFrame::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return OnCreate(message, wParam, lParam);
    case WM_TIMER:
        if (wParam == kMonitorTimer)
            MonitorTick(m_sound, m_buildTitle, m_hWnd, kMonitorTimer);
        else if (wParam == kFanScheduleTimer)
            ApplyFanSchedule(m_fanSchedule);
        else if (wParam == kTrayIconRetryTimer)
            m_taskbarIcon.OnRetryTimer();
        break;  // every timer message also gets the default processing
    case WM_COMMAND:
        // Menus and accelerators only; notifications of child controls have none here.
        if (lParam == 0) {
            OnCommand(LOWORD(wParam));
            return 0;
        }
        break;
    case WM_RELOAD_AUDIO:
        LoadAudioSettings(m_sound);
        return 0;
    case WM_APPLY_FAN_SCHEDULE:
        ApplyFanSchedule(m_fanSchedule);
        return 0;
    case WM_DESTROY:
        if (m_endsApplication) PostQuitMessage(0);
        break;
    default:
        // A new taskbar is the icon's business: its notification window answers it.
        break;
    }
    return Default(message, wParam, lParam);
}

}  // namespace ktray
