// The tests' side of the board's stand-ins for what ktray meets: set the hardware monitor's
// readings, read what the sound library was asked to do, and read how each launched program was
// started. Everything lives under HKCU\Software\KitTestBench (board/bench/bench_keys.h).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// Hardware monitor (w83781d.dll): index 1..3 for temperatures, 1..5 for fans.
void SetTemperature(int index, int32_t reading);
void SetFanCount(int index, int32_t reading);
void ClearTemperature(int index);
void ClearFanCount(int index);
void ClearMonitor();           // every reading and the counter
DWORD MonitorReadCount();      // calls the library has served since the last ClearMonitor

// Sound library (Sound.dll): e.g. "IsPlay;AllStop;PlayFile(Default.wav,0);".
std::string SoundJournal();
void ClearSoundJournal();

// Launched programs (the tool stand-ins), in the order they started.
struct LaunchRecord {
    std::string module;       // the program's own full path
    std::string commandLine;  // as GetCommandLineA gave it
    std::string arguments;    // the part after the program's name
    std::string directory;    // its current directory at start
    int32_t show = -1;        // the show command it was given, -1 when none
};
std::vector<LaunchRecord> LaunchRecords();
void ClearLaunchRecords();
// True as soon as at least count records exist; false when timeoutMs passes first.
bool WaitForLaunchRecords(size_t count, DWORD timeoutMs);

// The tuning tool's stand-in: its top-level window by exact title.
HWND FindTuningToolWindow(const std::string& title);
// Sends it WM_CLOSE and waits until it is gone; true when no such window is left.
bool CloseTuningToolWindow(const std::string& title, DWORD timeoutMs = 5000);

// Full path of a tool stand-in in the build's bin\tool-standins folder, e.g. "KR4\\KR4.EXE".
std::string ToolStandInPath(const std::string& name);

}  // namespace testsupport
