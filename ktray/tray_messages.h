// Messages, timers and the window title of ktray's hidden main window.
#pragma once

#include <windows.h>

namespace ktray {

// Posted by other programs of the kit to the window titled kMainWindowTitle.
constexpr UINT WM_RELOAD_AUDIO = WM_USER + 11;        // 0x040B: re-read the alarm sound settings
constexpr UINT WM_APPLY_FAN_SCHEDULE = WM_USER + 14;  // 0x040E: apply the fan schedule now
// What the shell sends the icon's notification window.
constexpr UINT WM_TRAY_NOTIFY = WM_USER + 1234;       // 0x08D2

constexpr char kMainWindowTitle[] = "CVXM20";
constexpr char kTrayTip[] = "CORVANE Utility Manager";

constexpr UINT_PTR kMonitorTimer = 2;
constexpr UINT kMonitorPeriodMs = 2000;
constexpr UINT_PTR kFanScheduleTimer = 3;
constexpr UINT kFanSchedulePeriodMs = 10000;
// On the icon's owner (the frame): a failed add of the tray icon tried again, every 2 s for
// two minutes.
constexpr UINT_PTR kTrayIconRetryTimer = 4;
constexpr UINT kTrayIconRetryPeriodMs = 2000;
constexpr int kTrayIconRetryAttempts = 60;
constexpr UINT_PTR kSplashTimer = 1;
constexpr UINT kSplashPeriodMs = 750;
constexpr DWORD kStartupPauseMs = 2000;

}  // namespace ktray
