// The hardware-monitor library w83781d.dll that ktray imports by name: sensor readings by index.
// Each call leaves the reading in *value, or -1 when that sensor or fan is absent; ktray never
// uses the return value.
#pragma once

#ifdef MONITOR_LIBRARY_BUILDING
#define MONITOR_API __declspec(dllexport)
#else
#define MONITOR_API __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif

MONITOR_API int __cdecl W_Get_TempValue(int index, int* value);  // index 1 to 3
MONITOR_API int __cdecl W_Get_FanCount(int index, int* value);   // index 1 to 5

#ifdef __cplusplus
}
#endif
