// ktray measured where the host cannot see it: its registry reads against what Wine's
// RegQueryValueExA really hands back for every shape of value, the test copy of ktray.exe ended
// at each point of its start-up (every next start must complete, warn at most once and leave a
// whole record), and fifty starts and exits that must leave the user's settings as they were.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "board_driver.h"
#include "kclk.h"
#include "program_folder.h"
#include "processor_check.h"
#include "registry.h"
#include "registry_shapes.h"
#include "program_directory.h"
#include "scratch_registry.h"
#include "wait_for.h"

namespace {

using namespace testsupport;

const std::string kTuning = "Software\\Corvane\\Kestrel4";
const std::string kKestrel = "Software\\Kestrel";
constexpr char kFrameTitle[] = "CVXM20";
constexpr UINT kExitCommand = 57665;
constexpr DWORD kEndedAtPoint = 0x5EED;

// --- Registry shapes through ktray's own reads ------------------------------------------------

TEST(RegistryShapesInWine, KtrayReadsTakeWhatTheRulesSay) {
    const std::string scratch = "Software\\KitTrayFigures";
    RemoveTree(HKEY_CURRENT_USER, scratch);
    CreateEmptyKey(HKEY_CURRENT_USER, scratch);
    auto store = [&](const char* name, const shapes::Shape& s) {
        ktray::RegistryKey key = ktray::OpenKey(HKEY_CURRENT_USER, scratch.c_str());
        RegDeleteValueA(key.Get(), name);
        if (s.present)
            SetRawValue(HKEY_CURRENT_USER, scratch, name, s.type, s.bytes.data(),
                        static_cast<DWORD>(s.bytes.size()));
    };
    int cases = 0, mismatches = 0;
    for (const auto& v : shapes::IntegerValues()) {
        for (const auto& s : shapes::IntegerShapes()) {
            ++cases;
            store(v.name, s);
            ktray::RegistryKey key = ktray::OpenKey(HKEY_CURRENT_USER, scratch.c_str());
            int32_t value = v.fallback;
            const bool taken = ktray::ReadInt(key.Get(), v.name, value);
            int32_t expected = v.fallback;
            if (s.taken) std::memcpy(&expected, s.text.data(), sizeof expected);
            if (taken != s.taken || value != expected)
                ++mismatches, ADD_FAILURE() << v.name << " as " << s.what << ": " << value;
        }
    }
    // The vendor's name is read by ReadVendorKind from the system's key; its rule differs only
    // in the zero it requires, which the host measures.
    for (const auto& v : shapes::StringValues()) {
        if (v.stored) continue;
        for (const auto& s : shapes::StringShapes(v)) {
            ++cases;
            store(v.name, s);
            ktray::RegistryKey key = ktray::OpenKey(HKEY_CURRENT_USER, scratch.c_str());
            std::vector<char> buffer(v.capacity + 16, '#');
            const bool taken = ktray::ReadString(key.Get(), v.name, buffer.data(), v.capacity);
            const size_t length = strnlen(buffer.data(), v.capacity);
            const bool guardKept =
                std::string(buffer.data() + v.capacity, 16) == std::string(16, '#');
            if (taken != s.taken || length == v.capacity || !guardKept ||
                std::string(buffer.data(), length) != s.text)
                ++mismatches, ADD_FAILURE() << v.name << " as " << s.what << ": took " << taken
                                            << " \"" << std::string(buffer.data(), length) << '"';
        }
    }
    RemoveTree(HKEY_CURRENT_USER, scratch);
    std::printf("figure: registry shapes in Wine through ktray's reads: %d cases, %d mismatches\n",
                cases, mismatches);
}

// --- The test copy of ktray.exe ---------------------------------------------------------------

// A program directory with the test copy of ktray.exe (its start-up points built in) under the
// shipped name, so that the prefix runs it as the version set for ktray.exe.
class ProbeFolder : public testsupport::ProgramFolder {
public:
    ProbeFolder() : ProgramFolder("ktray_figures") {
        Copy("ktray_probe.exe", "ktray.exe");
        for (const char* file : {"kclk.dll", "w83781d.dll", "Sound.dll", "KrDrv.W32"}) Copy(file);
    }
    std::string Program() const { return Path() + "ktray.exe"; }
};

HWND FindFrame() { return FindWindowA(nullptr, kFrameTitle); }
HWND FindWarning() { return FindWindowA("#32770", "Warning!!!"); }

// One start of the test copy: endAt names the start-up point it ends itself at ("" for none).
// A start after one that was ended from outside is no second instance: the ended one's
// instance mutex went with its process.
class Start {
public:
    Start(const ProbeFolder& folder, const char* endAt) {
        SetEnvironmentVariableA("KTRAY_END_AT", *endAt ? endAt : nullptr);
        std::string commandLine = "\"" + folder.Program() + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (CreateProcessA(folder.Program().c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                           nullptr, "C:\\", &startup, &info)) {
            process_ = info.hProcess;
            CloseHandle(info.hThread);
        }
        SetEnvironmentVariableA("KTRAY_END_AT", nullptr);
    }
    ~Start() {
        if (!process_) return;
        if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_, 0xDEAD);
            WaitForSingleObject(process_, 5000);
        }
        CloseHandle(process_);
    }
    bool Started() const { return process_ != nullptr; }
    bool Ended() const { return WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; }
    DWORD ExitCode() const {
        DWORD code = 0;
        GetExitCodeProcess(process_, &code);
        return code;
    }
    void Kill() {
        TerminateProcess(process_, 0xDEAD);
        WaitForSingleObject(process_, 5000);
    }
    // Serves the start until its frame exists (true) or it ended; every warning is answered with
    // OK and counted.
    bool RunUntilFrameOrEnd(int& warnings, DWORD timeoutMs = 60000) {
        bool frame = false;
        WaitFor([&] {
            if (HWND box = FindWarning()) {
                if (IsWindowEnabled(box)) {
                    ++warnings;
                    PostMessageA(box, WM_COMMAND, IDOK, 0);
                    WaitFor([&] { return !IsWindow(box); }, 5000);
                }
                return false;
            }
            frame = FindFrame() != nullptr;
            return frame || Ended();
        }, timeoutMs);
        return frame;
    }
    bool Exit() {
        PostMessageA(FindFrame(), WM_COMMAND, kExitCommand, 0);
        return WaitForSingleObject(process_, 10000) == WAIT_OBJECT_0;
    }

private:
    HANDLE process_ = nullptr;
};

class KtrayFigures : public testing::Test {
protected:
    void SetUp() override {
        SetTextValue(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\ktray.exe", "Version",
                     "winxp");
        // The test's own library starts the driver service that ktray's library then opens.
        if (krdrv::ServiceState() != SERVICE_RUNNING) InitDrv();
        Clear();
        SetTextValue(HKEY_LOCAL_MACHINE, kTuning, "KR4Version", "3/8/7");
        ktray::IdentifyCpu(cpu_);
        vendor_ = ktray::ReadVendorKind();
    }
    void TearDown() override {
        Clear();
        RemoveTree(HKEY_LOCAL_MACHINE, kTuning);
    }
    static void Clear() {
        RemoveTree(HKEY_CURRENT_USER, "Software\\Corvane");
        RemoveTree(HKEY_CURRENT_USER, kKestrel);
    }
    int32_t Identity() const { return static_cast<int32_t>(cpu_.identity); }

    ProbeFolder folder_;
    ktray::CpuIdentity cpu_;
    int32_t vendor_ = 0;
};

// --- Ended during start-up --------------------------------------------------------------------

TEST_F(KtrayFigures, EndedAtEachStartUpPointTheNextStartCompletes) {
    // Every start of this test finds another processor recorded, so the reset runs; except the
    // last, which finds only the vendor of another processor (the tuning tool removed the
    // identity): nothing to compare, no reset, and none at the next start either.
    const struct {
        const char* point;  // "box" : ended from outside while the warning is open
        int warnings;       // on the next start
        bool vendorOnly = false;
    } points[] = {
        {"tools-read", 1},            {"reset-begins", 1},
        {"tree-emptied", 1},          {"reset-first-deleted", 1},
        {"tree-emptied#2", 1},        {"reset-deleted", 0},
        {"box", 0},                   {"reset-key-created", 0},
        {"record-first-written", 0},  {"record-second-written", 0},
        {"tuning-jobs-done", 0},      {"audio-key-created", 0},
        {"audio-on-written", 0},      {"audio-flag-written", 0},
        {"started", 0},               {"record-first-written", 0, true},
    };
    constexpr int32_t kMarker = 77;  // a setting made after the reset, which must survive
    int faults = 0;
    const DWORD began = GetTickCount();
    for (const auto& p : points) {
        SCOPED_TRACE(p.point);
        const int faultsBefore = faults;
        Clear();
        SetIntValue(HKEY_CURRENT_USER, kTuning, "iCpuTempLimit", 55);
        if (p.vendorOnly) {
            SetIntValue(HKEY_CURRENT_USER, kTuning, "CPUFamily", vendor_ ^ 3);
        } else {
            SetIntValue(HKEY_CURRENT_USER, kTuning, "CPUid", Identity() ^ 1);
            SetIntValue(HKEY_CURRENT_USER, kTuning, "CPUFamily", vendor_);
            SetIntValue(HKEY_CURRENT_USER, kTuning + "\\SmartFan\\Deep", "v", 1);
            CreateEmptyKey(HKEY_CURRENT_USER, kTuning + "\\AutoOver");
            SetIntValue(HKEY_CURRENT_USER, kKestrel, "CPUMulti", 105);
            SetIntValue(HKEY_CURRENT_USER, kKestrel + "\\Profiles\\One", "v", 1);
        }

        const bool fromOutside = std::strcmp(p.point, "box") == 0;
        int warningsBefore = 0;
        {
            Start ended(folder_, fromOutside ? "" : p.point);
            ASSERT_TRUE(ended.Started());
            if (fromOutside) {
                EXPECT_TRUE(WaitFor([] { return FindWarning() != nullptr; }, 20000));
                ended.Kill();
                warningsBefore = 1;
            } else {
                ended.RunUntilFrameOrEnd(warningsBefore);
                EXPECT_TRUE(WaitFor([&] { return ended.Ended(); }, 2000));
                if (!ended.Ended() || ended.ExitCode() != kEndedAtPoint)
                    ++faults, ADD_FAILURE() << "the point was never reached";
            }
        }
        const bool resetDone = p.warnings == 0 && !p.vendorOnly;
        if (resetDone) SetIntValue(HKEY_CURRENT_USER, kTuning, "iCpuTempLimit", kMarker);

        int warnings = 0;
        Start next(folder_, "");
        if (!next.RunUntilFrameOrEnd(warnings)) ++faults, ADD_FAILURE() << "next start never completed";
        if (!next.Exit()) ++faults, ADD_FAILURE() << "next start did not exit";
        if (warnings != p.warnings)
            ++faults, ADD_FAILURE() << warnings << " warnings on the next start";
        if (warningsBefore + warnings > 1) ++faults, ADD_FAILURE() << "warned twice";
        // A whole record of this processor, the reset complete, and a reset done once only.
        if (GetIntValue(HKEY_CURRENT_USER, kTuning, "CPUid") != Identity() ||
            GetIntValue(HKEY_CURRENT_USER, kTuning, "CPUFamily") != vendor_ ||
            GetRawValue(HKEY_CURRENT_USER, kTuning, "FirstRun").bytes !=
                std::vector<unsigned char>{1, 0})
            ++faults, ADD_FAILURE() << "record not whole";
        if (KeyPresent(HKEY_CURRENT_USER, kKestrel) ||
            KeyPresent(HKEY_CURRENT_USER, kTuning + "\\AutoOver") ||
            KeyPresent(HKEY_CURRENT_USER, kTuning + "\\SmartFan\\Deep"))
            ++faults, ADD_FAILURE() << "the old settings outlived the reset";
        const int32_t limit = GetIntValue(HKEY_CURRENT_USER, kTuning, "iCpuTempLimit");
        if (limit != (p.vendorOnly ? 55 : resetDone ? kMarker : kNoInt))
            ++faults, ADD_FAILURE() << "iCpuTempLimit " << limit << ": reset twice or never";
        // The sound settings: whatever of them is there is what ktray writes when it makes them.
        const std::string audio = kTuning + "\\AudioSetting";
        const RawValue on = GetRawValue(HKEY_CURRENT_USER, audio, "iAudioON");
        const RawValue flag = GetRawValue(HKEY_CURRENT_USER, audio, "iAudioFlag");
        const RawValue file = GetRawValue(HKEY_CURRENT_USER, audio, "AudioFile");
        if (!KeyPresent(HKEY_CURRENT_USER, audio) ||
            (on.present && GetIntValue(HKEY_CURRENT_USER, audio, "iAudioON") != 0) ||
            (flag.present && GetIntValue(HKEY_CURRENT_USER, audio, "iAudioFlag") != 2) ||
            (file.present && std::string(file.bytes.begin(), file.bytes.end()) !=
                                 std::string("Default.wav", 12)))
            ++faults, ADD_FAILURE() << "sound settings not as ktray makes them";
        if (faults != faultsBefore) std::printf("  ended at %s: faults\n", p.point);
    }
    std::printf("figure: ktray ended at %zu start-up points (%lu ms): every next start completed, "
                "%d faults (a second warning, a second reset, a record or reset left half done)\n",
                std::size(points), static_cast<unsigned long>(GetTickCount() - began), faults);
}

// --- Settings across restarts -----------------------------------------------------------------

// Every value below root\path, by its full name: type and bytes.
void Snapshot(HKEY root, const std::string& path, std::map<std::string, RawValue>& values) {
    HKEY key;
    if (RegOpenKeyA(root, path.c_str(), &key) != ERROR_SUCCESS) return;
    values[path + "\\"].present = true;  // the key itself
    for (DWORD i = 0;; ++i) {
        char name[512];
        DWORD nameSize = sizeof name, type = 0, size = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS)
            break;
        values[path + "\\" + name] = GetRawValue(root, path, name);
    }
    std::vector<std::string> subkeys;
    for (DWORD i = 0;; ++i) {
        char name[512];
        if (RegEnumKeyA(key, i, name, sizeof name) != ERROR_SUCCESS) break;
        subkeys.push_back(name);
    }
    RegCloseKey(key);
    for (const std::string& subkey : subkeys) Snapshot(root, path + "\\" + subkey, values);
}

TEST_F(KtrayFigures, FiftyStartsLeaveTheUsersSettingsAsTheyWere) {
    // The settings as the tuning tool leaves them after ktray's first start.
    {
        Start first(folder_, "");
        int warnings = 0;
        ASSERT_TRUE(first.RunUntilFrameOrEnd(warnings));
        ASSERT_TRUE(first.Exit());
    }
    for (const char* name : {"iCpuFanLimit", "iCpuTempLimit", "iSysTempLimit"})
        SetIntValue(HKEY_CURRENT_USER, kTuning, name, 1234);
    SetIntValue(HKEY_CURRENT_USER, kTuning + "\\AudioSetting", "iAudioFlag", 1);
    SetTextValue(HKEY_CURRENT_USER, kTuning + "\\AudioSetting", "AudioFile", "C:\\alarm.wav");
    for (const char* name : {"iTimerSwitch", "iTimeONh", "iTimeONm", "iTimeOFFh", "iTimeOFFm"})
        SetIntValue(HKEY_CURRENT_USER, kTuning + "\\SmartFan", name, 3);
    SetIntValue(HKEY_CURRENT_USER, kKestrel + "\\Profiles", "v", 9);
    auto snapshot = [] {
        std::map<std::string, RawValue> values;
        Snapshot(HKEY_CURRENT_USER, "Software\\Corvane", values);
        Snapshot(HKEY_CURRENT_USER, kKestrel, values);
        return values;
    };
    const auto before = snapshot();

    constexpr int kCycles = 50;
    int completed = 0;
    const DWORD started = GetTickCount();
    for (int i = 0; i < kCycles; ++i) {
        Start start(folder_, "");
        int warnings = 0;
        if (start.RunUntilFrameOrEnd(warnings) && warnings == 0 && start.Exit()) ++completed;
    }
    const DWORD elapsed = GetTickCount() - started;
    const auto after = snapshot();

    // The three values ktray rewrites at every start may differ only in their bytes' history:
    // with the same processor they must come out the same too.
    int changed = 0, rewrittenChanged = 0;
    std::map<std::string, RawValue> all = before;
    all.insert(after.begin(), after.end());
    for (const auto& [name, value] : all) {
        const auto b = before.find(name), a = after.find(name);
        const bool same = b != before.end() && a != after.end() &&
                          b->second.type == a->second.type && b->second.bytes == a->second.bytes;
        if (same) continue;
        const bool rewritten = name == kTuning + "\\CPUid" || name == kTuning + "\\CPUFamily" ||
                               name == kTuning + "\\FirstRun";
        (rewritten ? rewrittenChanged : changed)++;
        ADD_FAILURE() << name << " changed";
    }
    EXPECT_EQ(kCycles, completed);
    std::printf("figure: settings across restarts: %d of %d start/exit cycles completed in %lu ms, "
                "%zu values and keys compared, %d changed besides the three ktray rewrites "
                "(those: %d changed)\n",
                completed, kCycles, static_cast<unsigned long>(elapsed), all.size(), changed,
                rewrittenChanged);
}

}  // namespace
