// Where the board's stand-ins for outside libraries and programs meet the tests: per-user
// registry keys under HKCU\Software\KitTestBench. The stand-ins write what they were asked and
// read what a test set; tests/support/bench_records.h is the tests' side.
#pragma once

#include <windows.h>

namespace bench {

// Sensor readings (REG_DWORD "Temp1".."Temp3", "Fan1".."Fan5") and the REG_DWORD "Reads", which
// every reading call of w83781d.dll increments.
constexpr char kMonitorKey[] = "Software\\KitTestBench\\Monitor";
constexpr char kReadsValue[] = "Reads";
constexpr int kTemperatureCount = 3;
constexpr int kFanCount = 5;

// Sound.dll's REG_SZ "Journal": one entry per call, appended, at most kJournalLimit bytes.
constexpr char kSoundKey[] = "Software\\KitTestBench\\Sound";
constexpr char kJournalValue[] = "Journal";
constexpr DWORD kJournalLimit = 16 * 1024;  // bytes of text, terminating zero not counted

// One subkey "0", "1", ... per start of a tool stand-in. The REG_DWORD "Count" is written after
// the record it admits, so records 0 .. Count-1 are always complete; the mutex serialises the
// stand-ins that record at the same time.
constexpr char kLaunchesKey[] = "Software\\KitTestBench\\Launches";
constexpr char kLaunchCountValue[] = "Count";
constexpr char kLaunchesMutex[] = "KitTestBench.Launches";
constexpr char kModuleValue[] = "Module";
constexpr char kCommandLineValue[] = "CommandLine";
constexpr char kArgumentsValue[] = "Arguments";
constexpr char kDirectoryValue[] = "Directory";
constexpr char kShowValue[] = "Show";  // wShowWindow, or 0xFFFFFFFF when none was given

// A registry key owned for one scope.
class Key {
public:
    Key() = default;
    ~Key() {
        if (key_) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    bool Open(HKEY root, const char* path, REGSAM access = KEY_READ) {
        Close();
        if (RegOpenKeyExA(root, path, 0, access, &key_) != ERROR_SUCCESS) key_ = nullptr;
        return key_ != nullptr;
    }
    bool Create(HKEY root, const char* path) {
        Close();
        if (RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key_,
                            nullptr) != ERROR_SUCCESS)
            key_ = nullptr;
        return key_ != nullptr;
    }
    void Close() {
        if (key_) RegCloseKey(key_);
        key_ = nullptr;
    }
    HKEY Get() const { return key_; }
    explicit operator bool() const { return key_ != nullptr; }

    // A REG_DWORD of exactly four bytes; false (value untouched) for anything else.
    bool ReadDword(const char* name, DWORD& value) const {
        DWORD type = 0, data = 0, size = sizeof data;
        if (!key_ || RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&data),
                                      &size) != ERROR_SUCCESS ||
            type != REG_DWORD || size != sizeof data)
            return false;
        value = data;
        return true;
    }
    bool WriteDword(const char* name, DWORD value) const {
        return key_ && RegSetValueExA(key_, name, 0, REG_DWORD,
                                      reinterpret_cast<const BYTE*>(&value),
                                      sizeof value) == ERROR_SUCCESS;
    }

private:
    HKEY key_ = nullptr;
};

}  // namespace bench
