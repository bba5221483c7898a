// A launch record is written whole before it is counted: a test that polls "Count" never meets
// a record with fields missing. Stand-ins started at the same moment take turns on a mutex.
#include "launch_record.h"

#include <cstdio>
#include <cstring>

#include "bench_keys.h"

namespace tools {
namespace {

bool WriteString(HKEY key, const char* name, const char* text) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(std::strlen(text) + 1)) == ERROR_SUCCESS;
}

class MutexTurn {
public:
    explicit MutexTurn(const char* name) : mutex_(CreateMutexA(nullptr, FALSE, name)) {
        // An abandoned mutex (a stand-in that died while recording) is ours all the same.
        if (mutex_) owned_ = WaitForSingleObject(mutex_, 30000) != WAIT_TIMEOUT;
    }
    ~MutexTurn() {
        if (owned_) ReleaseMutex(mutex_);
        if (mutex_) CloseHandle(mutex_);
    }
    MutexTurn(const MutexTurn&) = delete;
    MutexTurn& operator=(const MutexTurn&) = delete;

private:
    HANDLE mutex_;
    bool owned_ = false;
};

}  // namespace

const char* ArgumentsOf(const char* commandLine) {
    const char* p = commandLine;
    if (*p == '"') {
        ++p;
        while (*p && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (*p && *p != ' ' && *p != '\t') ++p;
    }
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

int GivenShowCommand() {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    return (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
}

bool RecordThisLaunch() {
    char module[MAX_PATH + 1] = {};
    const DWORD moduleLength = GetModuleFileNameA(nullptr, module, MAX_PATH);
    module[moduleLength < MAX_PATH ? moduleLength : MAX_PATH] = '\0';
    char directory[MAX_PATH + 1] = {};
    const DWORD directoryLength = GetCurrentDirectoryA(MAX_PATH, directory);
    if (directoryLength == 0 || directoryLength >= MAX_PATH) directory[0] = '\0';
    const char* commandLine = GetCommandLineA();

    MutexTurn turn(bench::kLaunchesMutex);
    bench::Key launches;
    if (!launches.Create(HKEY_CURRENT_USER, bench::kLaunchesKey)) return false;
    DWORD count = 0;
    launches.ReadDword(bench::kLaunchCountValue, count);

    char number[16];
    std::snprintf(number, sizeof number, "%lu", static_cast<unsigned long>(count));
    // A record left half-written by a stand-in that died is overwritten field by field.
    bench::Key record;
    if (!record.Create(launches.Get(), number)) return false;
    const bool written = WriteString(record.Get(), bench::kModuleValue, module) &&
                         WriteString(record.Get(), bench::kCommandLineValue, commandLine) &&
                         WriteString(record.Get(), bench::kArgumentsValue, ArgumentsOf(commandLine)) &&
                         WriteString(record.Get(), bench::kDirectoryValue, directory) &&
                         record.WriteDword(bench::kShowValue, static_cast<DWORD>(GivenShowCommand()));
    if (!written) return false;
    RegFlushKey(record.Get());
    return launches.WriteDword(bench::kLaunchCountValue, count + 1);
}

}  // namespace tools
