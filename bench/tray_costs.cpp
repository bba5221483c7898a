// Starts ktray.exe from its program folder a few times and times each start to its icon, then
// keeps the last one running beside the tuning tool's window and reads its CPU time and private
// bytes from outside over a fixed number of timer periods.
#include "tray_costs.h"

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench_keys.h"
#include "board_requests.h"

namespace bench {

namespace {

constexpr char kFrameTitle[] = "CVXM20";
constexpr char kNotifyClass[] = "KtrayNotifyTarget";
constexpr char kToolClass[] = "KitBenchTuningTool";
constexpr char kFloorClass[] = "KitBenchTrayFloor";
constexpr UINT kExitCommand = 0xE141;  // the frame's Exit command
constexpr double kStartupPauseMs = 2000;
constexpr DWORD kWaitMs = 30000;
constexpr int kReadsPerMonitorTick = 8;  // three temperatures and five fans

double NowMs() {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return 1e3 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// A program the bench started; ended (gently first) when it goes out of scope.
class Started {
public:
    Started() = default;
    ~Started() { End(); }
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;

    bool Start(const char* path, const char* directory, WORD show) {
        End();
        char commandLine[MAX_PATH + 2];
        std::snprintf(commandLine, sizeof commandLine, "\"%s\"", path);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = show;
        PROCESS_INFORMATION info{};
        if (!CreateProcessA(path, commandLine, nullptr, nullptr, FALSE, 0, nullptr, directory,
                            &startup, &info))
            return false;
        CloseHandle(info.hThread);
        process_ = info.hProcess;
        id_ = info.dwProcessId;
        return true;
    }

    // Posts `message` to the window and waits for the process to end; terminates it otherwise.
    void End(HWND window = nullptr, UINT message = WM_CLOSE, WPARAM wParam = 0) {
        if (!process_) return;
        if (window) PostMessageA(window, message, wParam, 0);
        if (!window || WaitForSingleObject(process_, 10000) != WAIT_OBJECT_0) {
            TerminateProcess(process_, 1);
            WaitForSingleObject(process_, 10000);
        }
        CloseHandle(process_);
        process_ = nullptr;
        id_ = 0;
    }

    HANDLE Process() const { return process_; }
    DWORD Id() const { return id_; }
    bool Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

struct WindowQuery {
    DWORD process;
    const char* className;
    const char* title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
    WindowQuery& query = *reinterpret_cast<WindowQuery*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != query.process) return TRUE;
    char text[64] = "";
    if (query.className &&
        (!GetClassNameA(window, text, sizeof text) || lstrcmpA(text, query.className) != 0))
        return TRUE;
    if (query.title &&
        (!GetWindowTextA(window, text, sizeof text) || lstrcmpA(text, query.title) != 0))
        return TRUE;
    query.found = window;
    return FALSE;
}

// A top-level window of the process, by class and/or title.
HWND WindowOf(DWORD process, const char* className, const char* title) {
    WindowQuery query{process, className, title, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

template <typename Condition>
bool PollFor(Condition condition, DWORD milliseconds) {
    const double end = NowMs() + milliseconds;
    while (!condition()) {
        if (NowMs() > end) return false;
        Sleep(1);
    }
    return true;
}

bool UnderWine() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

double Seconds(const FILETIME& time) {
    return static_cast<double>(static_cast<uint64_t>(time.dwHighDateTime) << 32 |
                               time.dwLowDateTime) / 1e7;
}

// Kernel and user time of another process. Wine's GetProcessTimes answers such a query with the
// caller's own times, so there the process's threads are summed instead (each thread's times
// are read correctly); a thread that ends within the window takes its time with it.
double CpuSeconds(const Started& process, bool fromThreads) {
    FILETIME created, exited, kernel, user;
    if (!fromThreads)
        return GetProcessTimes(process.Process(), &created, &exited, &kernel, &user)
                   ? Seconds(kernel) + Seconds(user)
                   : -1;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    double total = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != process.Id()) continue;
        const HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
        if (!thread) continue;
        if (GetThreadTimes(thread, &created, &exited, &kernel, &user))
            total += Seconds(kernel) + Seconds(user);
        CloseHandle(thread);
    }
    CloseHandle(snapshot);
    return total;
}

// Under Wine every Windows process is one Linux process, and Linux accounts its time in
// nanoseconds, where the thread times above come in 10 ms ticks (a tick is more than the goal
// allows a half minute). The process is found by its name and this run's Wine prefix; 0 when
// there is no such Linux process to read.
class LinuxProcess {
public:
    bool Find(const char* name) {
        char prefix[MAX_PATH];
        const DWORD length = GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix);
        if (length == 0 || length >= sizeof prefix) return false;
        char wanted[MAX_PATH + 16];
        std::snprintf(wanted, sizeof wanted, "WINEPREFIX=%s", prefix);
        WIN32_FIND_DATAA entry;
        const HANDLE search = FindFirstFileA("Z:\\proc\\*", &entry);
        if (search == INVALID_HANDLE_VALUE) return false;
        do {
            char path[MAX_PATH], text[4096];
            if (entry.cFileName[0] < '1' || entry.cFileName[0] > '9') continue;
            std::snprintf(path, sizeof path, "Z:\\proc\\%s\\comm", entry.cFileName);
            const DWORD got = ReadSmallFile(path, text, sizeof text - 1);
            if (got == 0 || std::strncmp(text, name, std::strlen(name)) != 0 ||
                text[std::strlen(name)] != '\n')
                continue;
            std::snprintf(path, sizeof path, "Z:\\proc\\%s\\environ", entry.cFileName);
            if (HasEntry(path, wanted)) {
                std::snprintf(directory_, sizeof directory_, "Z:\\proc\\%s", entry.cFileName);
                break;
            }
        } while (FindNextFileA(search, &entry));
        FindClose(search);
        return directory_[0] != '\0';
    }

    // Seconds on a processor, summed over the process's tasks; -1 when unreadable.
    double CpuSeconds() const {
        if (!directory_[0]) return -1;
        char pattern[MAX_PATH];
        std::snprintf(pattern, sizeof pattern, "%s\\task\\*", directory_);
        WIN32_FIND_DATAA entry;
        const HANDLE search = FindFirstFileA(pattern, &entry);
        if (search == INVALID_HANDLE_VALUE) return -1;
        double total = 0;
        do {
            if (entry.cFileName[0] < '1' || entry.cFileName[0] > '9') continue;
            char path[MAX_PATH], text[128];
            std::snprintf(path, sizeof path, "%s\\task\\%s\\schedstat", directory_,
                          entry.cFileName);
            if (ReadSmallFile(path, text, sizeof text - 1)) total += std::strtod(text, nullptr);
        } while (FindNextFileA(search, &entry));
        FindClose(search);
        return total / 1e9;
    }

private:
    // Up to `capacity` bytes, terminated; 0 when unreadable.
    static DWORD ReadSmallFile(const char* path, char* text, DWORD capacity) {
        const HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return 0;
        DWORD total = 0, got = 0;
        while (total < capacity && ReadFile(file, text + total, capacity - total, &got, nullptr) &&
               got > 0)
            total += got;
        CloseHandle(file);
        text[total] = '\0';
        return total;
    }

    // Whether the zero-separated list in the file holds `wanted` as a whole entry.
    static bool HasEntry(const char* path, const char* wanted) {
        static char text[64 * 1024];
        const DWORD got = ReadSmallFile(path, text, sizeof text - 1);
        for (DWORD at = 0; at < got; at += static_cast<DWORD>(std::strlen(text + at)) + 1)
            if (std::strcmp(text + at, wanted) == 0) return true;
        return false;
    }

    char directory_[MAX_PATH] = "";
};

// Private bytes as the process's own handle, opened for querying, reports them: PrivateUsage,
// or PagefileUsage (the same commit charge) where the former is not filled in.
uint64_t PrivateBytes(DWORD processId) {
    const HANDLE process =
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process) return 0;
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    uint64_t bytes = 0;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof counters))
        bytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
    CloseHandle(process);
    return bytes;
}

// The names of the modules a process has loaded, lower case, each between blanks.
void ModuleNames(DWORD processId, char* names, size_t capacity) {
    std::snprintf(names, capacity, " ");
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId);
    if (snapshot == INVALID_HANDLE_VALUE) return;
    MODULEENTRY32 entry{};
    entry.dwSize = sizeof entry;
    size_t used = 1;
    for (BOOL more = Module32First(snapshot, &entry); more; more = Module32Next(snapshot, &entry)) {
        CharLowerA(entry.szModule);
        const int added = std::snprintf(names + used, capacity - used, "%s ", entry.szModule);
        if (added < 0 || used + static_cast<size_t>(added) >= capacity) break;
        used += static_cast<size_t>(added);
    }
    CloseHandle(snapshot);
}

// The modules `more` has loaded and `fewer` has not, blank-separated.
void ExtraModules(DWORD more, DWORD fewer, char* extra, size_t capacity) {
    static char moreNames[8192], fewerNames[8192];
    ModuleNames(more, moreNames, sizeof moreNames);
    ModuleNames(fewer, fewerNames, sizeof fewerNames);
    extra[0] = '\0';
    size_t used = 0;
    for (const char* name = moreNames + 1; *name;) {
        const char* end = std::strchr(name, ' ');
        char wanted[MAX_PATH + 3];
        std::snprintf(wanted, sizeof wanted, " %.*s ", static_cast<int>(end - name), name);
        if (!std::strstr(fewerNames, wanted) && used + std::strlen(wanted) < capacity)
            used += static_cast<size_t>(std::snprintf(extra + used, capacity - used, "%s%.*s",
                                                      used ? " " : "",
                                                      static_cast<int>(end - name), name));
        name = end + 1;
    }
}

DWORD MonitorReads() {
    DWORD reads = 0;
    Key key;
    if (key.Open(HKEY_CURRENT_USER, kMonitorKey)) key.ReadDword(kReadsValue, reads);
    return reads;
}

DWORD BoardRequests() {
    BoardLastRequest record{};
    return ReadLastBoardRequest(record) ? record.RequestCount : 0;
}

double Median(double* values, int count) {
    std::sort(values, values + count);
    return values[count / 2];
}

void EndTray(Started& tray) {
    tray.End(WindowOf(tray.Id(), nullptr, kFrameTitle), WM_COMMAND, kExitCommand);
}

}  // namespace

void MeasureTray(const char* folder, TrayCosts& costs) {
    char trayPath[MAX_PATH], toolPath[MAX_PATH], floorPath[MAX_PATH];
    std::snprintf(trayPath, sizeof trayPath, "%s\\ktray.exe", folder);
    std::snprintf(toolPath, sizeof toolPath, "%s\\KR4\\KR4.EXE", folder);
    std::snprintf(floorPath, sizeof floorPath, "%s\\bench_tray_floor.exe", folder);
    if (FindWindowA(nullptr, kFrameTitle)) {
        std::snprintf(costs.problem, sizeof costs.problem, "ktray: another ktray runs already");
        return;
    }

    // The tuning tool's window, open for the whole run: the alarm check reads the sensors only
    // while it finds that window.
    Started tool;
    if (!tool.Start(toolPath, folder, SW_SHOWNOACTIVATE) ||
        !PollFor([&] { return WindowOf(tool.Id(), kToolClass, nullptr) != nullptr; }, kWaitMs)) {
        std::snprintf(costs.problem, sizeof costs.problem,
                      "ktray: the tuning tool's stand-in showed no window (%s)", toolPath);
        return;
    }

    Started tray;
    double iconMs[kTrayStarts], readyMs[kTrayStarts];
    double readyAt = 0;
    for (int start = 0; start < kTrayStarts; ++start) {
        const double started = NowMs();
        if (!tray.Start(trayPath, folder, SW_SHOWNORMAL)) {
            std::snprintf(costs.problem, sizeof costs.problem, "ktray: %s did not start (%lu)",
                          trayPath, GetLastError());
            return;
        }
        const DWORD id = tray.Id();
        if (!PollFor([&] {
                return WindowOf(id, nullptr, kFrameTitle) && WindowOf(id, kNotifyClass, nullptr);
            }, kWaitMs)) {
            std::snprintf(costs.problem, sizeof costs.problem, "ktray: no icon within %lu s",
                          kWaitMs / 1000);
            return;
        }
        iconMs[start] = NowMs() - started;
        // The first time its one thread waits for input: after the pause, the timers started.
        if (WaitForInputIdle(tray.Process(), kWaitMs) != 0) {
            std::snprintf(costs.problem, sizeof costs.problem, "ktray: never idle after start");
            return;
        }
        readyAt = NowMs();
        readyMs[start] = readyAt - started - kStartupPauseMs;
        costs.starts = start + 1;
        if (start + 1 < kTrayStarts) EndTray(tray);
    }
    costs.iconMs = Median(iconMs, kTrayStarts);
    costs.readyMs = Median(readyMs, kTrayStarts);

    // The floor starts beside the last ktray and idles through the same window.
    Started floor;
    if (!floor.Start(floorPath, folder, SW_SHOWNORMAL) ||
        !PollFor([&] { return WindowOf(floor.Id(), kFloorClass, nullptr) != nullptr; }, kWaitMs) ||
        WaitForInputIdle(floor.Process(), kWaitMs) != 0) {
        std::snprintf(costs.problem, sizeof costs.problem,
                      "ktray: the tray floor showed no window (%s)", floorPath);
        return;
    }

    // The window opens a second after the timers started, so it holds whole periods of both.
    costs.cpuFromThreads = UnderWine();
    Sleep(static_cast<DWORD>(std::max(0.0, readyAt + 1000 - NowMs())));
    const double windowStart = NowMs();
    LinuxProcess host;
    host.Find("ktray.exe");
    LinuxProcess toolHost;
    toolHost.Find("KR4.EXE");
    const double cpuBefore = CpuSeconds(tray, costs.cpuFromThreads);
    const double linuxBefore = host.CpuSeconds();
    const double toolBefore = toolHost.CpuSeconds();
    const DWORD readsBefore = MonitorReads();
    const DWORD requestsBefore = BoardRequests();
    Sleep(kIdleSeconds * 1000);
    const double cpuAfter = CpuSeconds(tray, costs.cpuFromThreads);
    const double linuxAfter = host.CpuSeconds();
    const double toolAfter = toolHost.CpuSeconds();
    const DWORD readsAfter = MonitorReads();
    const DWORD requestsAfter = BoardRequests();
    costs.idleSeconds = (NowMs() - windowStart) / 1e3;
    costs.privateBytes = PrivateBytes(tray.Id());
    costs.toolPrivateBytes = PrivateBytes(tool.Id());
    costs.floorPrivateBytes = PrivateBytes(floor.Id());
    ExtraModules(tray.Id(), floor.Id(), costs.extraModules, sizeof costs.extraModules);

    if (!tray.Running() || cpuBefore < 0 || cpuAfter < 0) {
        std::snprintf(costs.problem, sizeof costs.problem,
                      "ktray: ended during the idle window, or its times could not be read");
    } else {
        costs.idleMeasured = true;
        costs.cpuSeconds = cpuAfter - cpuBefore;
        if (linuxBefore >= 0 && linuxAfter >= linuxBefore)
            costs.linuxCpuSeconds = linuxAfter - linuxBefore;
        if (toolBefore >= 0 && toolAfter >= toolBefore)
            costs.toolCpuSeconds = toolAfter - toolBefore;
        const double used = costs.linuxCpuSeconds >= 0 ? costs.linuxCpuSeconds : costs.cpuSeconds;
        costs.cpuPerHour = used * 3600 / costs.idleSeconds;
        costs.monitorTicks = static_cast<int>(readsAfter - readsBefore) / kReadsPerMonitorTick;
        costs.fanRequests = static_cast<int>(requestsAfter - requestsBefore);
    }
    EndTray(tray);
    floor.End(WindowOf(floor.Id(), kFloorClass, nullptr));
    tool.End(WindowOf(tool.Id(), kToolClass, nullptr));
}

}  // namespace bench
