// The hardware-monitor library w83781d.dll: sensor readings by index. Each call leaves the
// reading in *value, or -1 when that sensor or fan is absent; ktray never uses the return value.
//
// ktray binds it at run time (it starts without it) by the plain names below. How the library
// removes its arguments is stated nowhere (plain names fit cdecl, and stdcall exported through
// a definition file alike), so ktray calls it in a way either convention leaves right.
#pragma once

#include <windows.h>

#ifdef MONITOR_LIBRARY_BUILDING
#define MONITOR_API __declspec(dllexport)
#else
#define MONITOR_API __declspec(dllimport)
#endif

// What the library exports, for its builds and for programs that link it (ktray does not).
#ifdef __cplusplus
extern "C" {
#endif

MONITOR_API int __cdecl W_Get_TempValue(int index, int* value);  // index 1 to 3
MONITOR_API int __cdecl W_Get_FanCount(int index, int* value);   // index 1 to 5

// Calls function(index, value) with ESP saved and restored around the call (monitor_call.S).
int __cdecl ktray_CallMonitorFunction(FARPROC function, int index, int* value);

#ifdef __cplusplus
}

namespace ktray {

constexpr char kMonitorLibraryFile[] = "w83781d.dll";

// The library as ktray binds it. Without it (or without either function) there are no
// readings: *value is left as the caller set it and the calls answer 0.
class MonitorLibrary {
public:
    // False when the file cannot be loaded or lacks either function; then nothing stays bound.
    bool Load(const char* file);
    bool Loaded() const { return m_temperature && m_fan; }
    int TempValue(int index, int* value) const;
    int FanCount(int index, int* value) const;

private:
    FARPROC m_temperature = nullptr;
    FARPROC m_fan = nullptr;
};

// ktray's monitor library, loaded from kMonitorLibraryFile at the first reading.
MonitorLibrary& Monitor();

// The alarm's calls, by the library's names.
inline int W_Get_TempValue(int index, int* value) { return Monitor().TempValue(index, value); }
inline int W_Get_FanCount(int index, int* value) { return Monitor().FanCount(index, value); }

}  // namespace ktray
#endif
