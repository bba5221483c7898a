// Stand-in for the hardware-monitor library w83781d.dll: the readings are whatever the test
// bench put in HKCU\Software\KitTestBench\Monitor, so a test or the demo can heat the board or
// stop a fan from outside the process. Every call counts itself in "Reads".
#define MONITOR_LIBRARY_BUILDING
#include "monitor_library.h"

#include <windows.h>

#include <cstdio>

#include "bench_keys.h"

namespace {

// Reads value <prefix><index> when index is 1..count; -1 when absent, of the wrong type or size,
// or when the index is out of range. Returns 1 when there was a reading.
int ReadSensor(const char* prefix, int count, int index, int* value) {
    bench::Key key;
    key.Create(HKEY_CURRENT_USER, bench::kMonitorKey);
    DWORD reads = 0;
    key.ReadDword(bench::kReadsValue, reads);
    key.WriteDword(bench::kReadsValue, reads + 1);

    DWORD reading = 0;
    bool present = false;
    if (index >= 1 && index <= count) {
        char name[16];
        std::snprintf(name, sizeof name, "%s%d", prefix, index);
        present = key.ReadDword(name, reading);
    }
    if (value) *value = present ? static_cast<int>(reading) : -1;
    return present ? 1 : 0;
}

}  // namespace

extern "C" {

int __cdecl W_Get_TempValue(int index, int* value) {
    return ReadSensor("Temp", bench::kTemperatureCount, index, value);
}

int __cdecl W_Get_FanCount(int index, int* value) {
    return ReadSensor("Fan", bench::kFanCount, index, value);
}

}  // extern "C"
