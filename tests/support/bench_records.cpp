#include "bench_records.h"

#include "program_directory.h"

#include <cstdio>

#include "bench_keys.h"

namespace testsupport {
namespace {

void SetReading(const char* prefix, int index, int32_t reading) {
    bench::Key key;
    char name[16];
    std::snprintf(name, sizeof name, "%s%d", prefix, index);
    if (key.Create(HKEY_CURRENT_USER, bench::kMonitorKey))
        key.WriteDword(name, static_cast<DWORD>(reading));
}

void ClearReading(const char* prefix, int index) {
    bench::Key key;
    char name[16];
    std::snprintf(name, sizeof name, "%s%d", prefix, index);
    if (key.Open(HKEY_CURRENT_USER, bench::kMonitorKey, KEY_SET_VALUE))
        RegDeleteValueA(key.Get(), name);
}

// A REG_SZ read whole and terminated; "" when missing or not a string.
std::string ReadString(HKEY key, const char* name) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    std::string text(size + 1, '\0');
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) !=
        ERROR_SUCCESS)
        return {};
    text.resize(size);
    return text.substr(0, text.find('\0'));
}

void DeleteKeyWithSubkeys(const char* path) {
    bench::Key key;
    if (key.Open(HKEY_CURRENT_USER, path, KEY_READ | KEY_WRITE)) {
        char name[256];
        DWORD length = sizeof name;
        while (RegEnumKeyExA(key.Get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS) {
            if (RegDeleteKeyA(key.Get(), name) != ERROR_SUCCESS) break;
            length = sizeof name;
        }
    }
    key.Close();
    RegDeleteKeyA(HKEY_CURRENT_USER, path);
}

DWORD LaunchCount() {
    bench::Key key;
    DWORD count = 0;
    if (key.Open(HKEY_CURRENT_USER, bench::kLaunchesKey)) key.ReadDword(bench::kLaunchCountValue, count);
    return count;
}

}  // namespace

void SetTemperature(int index, int32_t reading) { SetReading("Temp", index, reading); }
void SetFanCount(int index, int32_t reading) { SetReading("Fan", index, reading); }
void ClearTemperature(int index) { ClearReading("Temp", index); }
void ClearFanCount(int index) { ClearReading("Fan", index); }
void ClearMonitor() { RegDeleteKeyA(HKEY_CURRENT_USER, bench::kMonitorKey); }

DWORD MonitorReadCount() {
    bench::Key key;
    DWORD reads = 0;
    if (key.Open(HKEY_CURRENT_USER, bench::kMonitorKey)) key.ReadDword(bench::kReadsValue, reads);
    return reads;
}

std::string SoundJournal() {
    bench::Key key;
    return key.Open(HKEY_CURRENT_USER, bench::kSoundKey) ? ReadString(key.Get(), bench::kJournalValue)
                                                         : std::string();
}

void ClearSoundJournal() { RegDeleteKeyA(HKEY_CURRENT_USER, bench::kSoundKey); }

std::vector<LaunchRecord> LaunchRecords() {
    std::vector<LaunchRecord> records;
    bench::Key launches;
    DWORD count = 0;
    if (!launches.Open(HKEY_CURRENT_USER, bench::kLaunchesKey) ||
        !launches.ReadDword(bench::kLaunchCountValue, count))
        return records;
    for (DWORD i = 0; i < count; ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "%lu", static_cast<unsigned long>(i));
        bench::Key key;
        if (!key.Open(launches.Get(), number)) continue;
        LaunchRecord record;
        record.module = ReadString(key.Get(), bench::kModuleValue);
        record.commandLine = ReadString(key.Get(), bench::kCommandLineValue);
        record.arguments = ReadString(key.Get(), bench::kArgumentsValue);
        record.directory = ReadString(key.Get(), bench::kDirectoryValue);
        DWORD show = 0;
        if (key.ReadDword(bench::kShowValue, show)) record.show = static_cast<int32_t>(show);
        records.push_back(record);
    }
    return records;
}

void ClearLaunchRecords() {
    // Under the recorders' mutex, so that no record is half counted while the key goes.
    const HANDLE mutex = CreateMutexA(nullptr, FALSE, bench::kLaunchesMutex);
    const bool owned = mutex && WaitForSingleObject(mutex, 30000) != WAIT_TIMEOUT;
    DeleteKeyWithSubkeys(bench::kLaunchesKey);
    if (owned) ReleaseMutex(mutex);
    if (mutex) CloseHandle(mutex);
}

bool WaitForLaunchRecords(size_t count, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (LaunchCount() >= count) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(20);
    }
}

HWND FindTuningToolWindow(const std::string& title) { return FindWindowA(nullptr, title.c_str()); }

bool CloseTuningToolWindow(const std::string& title, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        const HWND window = FindTuningToolWindow(title);
        if (!window) return true;
        PostMessageA(window, WM_CLOSE, 0, 0);
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(50);
    }
}

std::string ToolStandInPath(const std::string& name) {
    return ProgramDirectory() + "tool-standins\\" + name;
}

}  // namespace testsupport
