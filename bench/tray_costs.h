// ktray.exe measured from outside, as it runs from its program folder on the simulated board:
// how long it takes to show its icon, and what it costs while it idles with both of its timers
// running and the tuning tool's window open.
#pragma once

#include <windows.h>

#include <cstdint>

namespace bench {

constexpr int kTrayStarts = 3;
constexpr DWORD kIdleSeconds = 30;  // 15 monitor periods and 3 fan-schedule periods

struct TrayCosts {
    int starts = 0;         // starts that showed the icon
    double iconMs = 0;      // median: process created to "CVXM20" and its icon's window present
    double readyMs = 0;     // median: to its first idle message loop, without the fixed pause
    bool idleMeasured = false;
    double idleSeconds = 0;
    double cpuSeconds = 0;         // ktray's CPU time in that window, as Windows reports it
    double linuxCpuSeconds = -1;   // Linux's account of it under Wine (ns), -1 when not read
    double cpuPerHour = 0;         // from the finer of the two
    double toolCpuSeconds = -1;    // the tuning tool's stand-in in the same window (Linux's)
    bool cpuFromThreads = false;    // summed thread times (Wine) rather than GetProcessTimes
    uint64_t privateBytes = 0;      // ktray at the end of the window
    uint64_t toolPrivateBytes = 0;  // the tuning tool's stand-in: a one-window program
    uint64_t floorPrivateBytes = 0;  // the tray floor (bench/tray_floor.cpp) beside ktray
    char extraModules[256] = "";     // modules ktray has loaded and the floor has not
    int monitorTicks = 0;           // seen in the monitor library's read count
    int fanRequests = 0;            // seen by the board's driver
    char problem[160] = "";
};

// folder: the program folder holding ktray.exe, KR4\KR4.EXE and bench_tray_floor.exe.
void MeasureTray(const char* folder, TrayCosts& costs);

}  // namespace bench
