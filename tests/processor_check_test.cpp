// The tuning tool's start-up jobs: the processor's identity and vendor, the reset of the tool's
// settings when the recorded processor differs, the hidden start on auto overclock, "CPUMulti"
// and the auto-overclock toggle.
#include <gtest/gtest.h>

#include <cpuid.h>

#include <string>

#include "bench_records.h"
#include "message_box_catcher.h"
#include "processor_check.h"
#include "scratch_registry.h"
#include "tuning_tool_window.h"

namespace {

using namespace testsupport;

const std::string kTuning = "Software\\Corvane\\Kestrel4";
const std::string kAutoOver = kTuning + "\\AutoOver";
const std::string kKestrel = "Software\\Kestrel";
const char kWarning[] = "Your CPU has been changed,the setting will return to default!";

class TuningSettings : public testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean() {
        RemoveTree(HKEY_CURRENT_USER, kTuning);
        RemoveTree(HKEY_CURRENT_USER, kKestrel);
    }
};

TEST(IdentifyCpu, TakesFamilyModelAndSteppingOfLeafOne) {
    ktray::CpuIdentity cpu;
    cpu.identity = 0xDEAD;
    ASSERT_EQ(1, ktray::IdentifyCpu(cpu));
    unsigned eax, ebx, ecx, edx;
    __cpuid(1, eax, ebx, ecx, edx);
    EXPECT_EQ((eax >> 8) & 0xF, cpu.family);
    EXPECT_EQ((eax >> 4) & 0xF, cpu.model);
    EXPECT_EQ(eax & 0xF, cpu.stepping);
    EXPECT_EQ(eax & 0xFFF, cpu.identity) << "family * 256 + model * 16 + stepping";
}

TEST(VendorKind, ExactNamesOnly) {
    const struct {
        const char* vendor;
        int32_t kind;
    } cases[] = {{"GenuineIntel", 1}, {"AuthenticAMD", 2}, {"genuineintel", 0},
                 {"GenuineIntel ", 0}, {"GenuineInte", 0}, {"CyrixInstead", 0}, {"", 0},
                 {nullptr, 0}};
    for (const auto& c : cases) EXPECT_EQ(c.kind, ktray::VendorKind(c.vendor)) << c.vendor;
}

// The processor key is the system's; each case puts its value back.
TEST(ReadVendorKind, FromTheProcessorKey) {
    const std::string processor = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";
    const RawValue original = GetRawValue(HKEY_LOCAL_MACHINE, processor, "VendorIdentifier");
    ASSERT_TRUE(original.present);
    const struct {
        const char* what;
        std::string bytes;
        int32_t kind;
    } cases[] = {
        {"Intel", std::string("GenuineIntel", 13), 1},
        {"AMD", std::string("AuthenticAMD", 13), 2},
        {"other", std::string("CentaurHauls", 13), 0},
        {"unterminated", "GenuineIntel", 0},
        {"fills the buffer unterminated", "GenuineIntelGenuineI", 0},
        {"oversized", std::string("GenuineIntel          ") + '\0', 0},
    };
    for (const auto& c : cases) {
        SetRawValue(HKEY_LOCAL_MACHINE, processor, "VendorIdentifier", REG_BINARY, c.bytes.data(),
                    static_cast<DWORD>(c.bytes.size()));
        EXPECT_EQ(c.kind, ktray::ReadVendorKind()) << c.what;
    }
    SetRawValue(HKEY_LOCAL_MACHINE, processor, "VendorIdentifier", original.type,
                original.bytes.data(), static_cast<DWORD>(original.bytes.size()));
    std::string vendor(original.bytes.begin(), original.bytes.end());
    EXPECT_EQ(ktray::VendorKind(vendor.c_str()), ktray::ReadVendorKind());
}

// --- Processor change ------------------------------------------------------------------------

ktray::CpuIdentity Cpu(uint32_t family, uint32_t model, uint32_t stepping) {
    ktray::CpuIdentity cpu;
    cpu.family = family;
    cpu.model = model;
    cpu.stepping = stepping;
    cpu.identity = family * 256 + model * 16 + stepping;
    return cpu;
}

class ProcessorChange : public TuningSettings {
protected:
    // The user's settings as the tuning tool leaves them, at every depth.
    static void PlaceUserSettings() {
        SetIntValue(HKEY_CURRENT_USER, kTuning, "iCpuTempLimit", 55);
        SetIntValue(HKEY_CURRENT_USER, kTuning + "\\AudioSetting", "iAudioON", 1);
        SetIntValue(HKEY_CURRENT_USER, kTuning + "\\SmartFan\\Deep\\Deeper", "v", 1);
        CreateEmptyKey(HKEY_CURRENT_USER, kAutoOver);
        SetIntValue(HKEY_CURRENT_USER, kKestrel, "CPUMulti", 105);
        SetIntValue(HKEY_CURRENT_USER, kKestrel + "\\Profiles\\One", "v", 1);
    }
    static bool UserSettingsKept() {
        return GetIntValue(HKEY_CURRENT_USER, kTuning, "iCpuTempLimit") == 55 &&
               KeyPresent(HKEY_CURRENT_USER, kTuning + "\\SmartFan\\Deep\\Deeper") &&
               KeyPresent(HKEY_CURRENT_USER, kAutoOver) &&
               KeyPresent(HKEY_CURRENT_USER, kKestrel + "\\Profiles\\One");
    }
    static void ExpectRecorded(int32_t identity, int32_t vendor) {
        EXPECT_EQ(identity, GetIntValue(HKEY_CURRENT_USER, kTuning, "CPUid"));
        EXPECT_EQ(vendor, GetIntValue(HKEY_CURRENT_USER, kTuning, "CPUFamily"));
        EXPECT_EQ(static_cast<DWORD>(REG_BINARY),
                  GetRawValue(HKEY_CURRENT_USER, kTuning, "CPUid").type);
        EXPECT_EQ((std::vector<unsigned char>{1, 0}),
                  GetRawValue(HKEY_CURRENT_USER, kTuning, "FirstRun").bytes);
    }
};

TEST_F(ProcessorChange, FirstStartRecordsWithoutABox) {
    MessageBoxCatcher boxes;
    ktray::CheckProcessorChange(nullptr, Cpu(6, 8, 3), 1);  // no key at all
    ExpectRecorded(0x683, 1);
    RemoveTree(HKEY_CURRENT_USER, kTuning);
    SetIntValue(HKEY_CURRENT_USER, kTuning, "iCpuTempLimit", 55);  // a key without a record
    ktray::CheckProcessorChange(nullptr, Cpu(6, 8, 3), 2);
    ExpectRecorded(0x683, 2);
    EXPECT_EQ(55, GetIntValue(HKEY_CURRENT_USER, kTuning, "iCpuTempLimit"));
    EXPECT_TRUE(boxes.Messages().empty());
}

TEST_F(ProcessorChange, ChangeResetsEverythingAndTellsTheUser) {
    const struct {
        const char* what;
        int32_t storedId, storedVendor;  // kNoInt: not stored
        int32_t vendor;
        bool reset;
    } cases[] = {
        {"same processor", 0x683, 1, 1, false},
        {"another stepping", 0x681, 1, 1, true},
        {"another model", 0x6B3, 1, 1, true},
        {"another vendor", 0x683, 1, 2, true},
        {"another vendor, identity alone", 0x683, 2, 0, true},
        {"no stored vendor, same identity", 0x683, kNoInt, 2, false},
        {"no stored vendor, another identity", 0x684, kNoInt, 1, true},
    };
    HWND owner = CreateWindowExA(0, "STATIC", "owner", 0, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
    for (const auto& c : cases) {
        Clean();
        PlaceUserSettings();
        SetIntValue(HKEY_CURRENT_USER, kTuning, "CPUid", c.storedId);
        if (c.storedVendor != kNoInt)
            SetIntValue(HKEY_CURRENT_USER, kTuning, "CPUFamily", c.storedVendor);
        MessageBoxCatcher boxes;
        ktray::CheckProcessorChange(owner, Cpu(6, 8, 3), c.vendor);
        const auto caught = boxes.Messages();
        if (c.reset) {
            ASSERT_EQ(1u, caught.size()) << c.what;
            EXPECT_EQ("Warning!!!", caught[0].caption);
            EXPECT_EQ(kWarning, caught[0].text);
            EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, kKestrel)) << c.what;
            EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, kTuning + "\\SmartFan")) << c.what;
            EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, kAutoOver)) << c.what;
            EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, kTuning + "\\AudioSetting")) << c.what;
            EXPECT_EQ(kNoInt, GetIntValue(HKEY_CURRENT_USER, kTuning, "iCpuTempLimit")) << c.what;
        } else {
            EXPECT_TRUE(caught.empty()) << c.what;
            EXPECT_TRUE(UserSettingsKept()) << c.what;
        }
        ExpectRecorded(0x683, c.vendor);
    }
    DestroyWindow(owner);
}

TEST_F(ProcessorChange, MalformedRecordResetsNothing) {
    const uint16_t shortId = 0x681;
    const uint64_t longId = 0x681;
    const struct {
        const char* what;
        const void* id;
        DWORD idSize;
        const void* vendor;
        DWORD vendorSize;
    } cases[] = {
        {"2-byte CPUid", &shortId, 2, nullptr, 0},
        {"8-byte CPUid", &longId, 8, nullptr, 0},
        {"2-byte CPUid, 2-byte vendor", &shortId, 2, &shortId, 2},
        {"no CPUid, other vendor", nullptr, 0, &longId, 4},
    };
    for (const auto& c : cases) {
        Clean();
        PlaceUserSettings();
        if (c.id) SetRawValue(HKEY_CURRENT_USER, kTuning, "CPUid", REG_BINARY, c.id, c.idSize);
        if (c.vendor)
            SetRawValue(HKEY_CURRENT_USER, kTuning, "CPUFamily", REG_BINARY, c.vendor,
                        c.vendorSize);
        MessageBoxCatcher boxes;
        ktray::CheckProcessorChange(nullptr, Cpu(6, 8, 3), 1);
        EXPECT_TRUE(boxes.Messages().empty()) << c.what;
        EXPECT_TRUE(UserSettingsKept()) << c.what;
        ExpectRecorded(0x683, 1);
    }
}

// --- Auto overclock and CPUMulti ---------------------------------------------------------------

TEST_F(TuningSettings, CpuMultiAloneIsDeleted) {
    ktray::DeleteCpuMulti();  // no key: nothing happens
    EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, kKestrel));
    SetIntValue(HKEY_CURRENT_USER, kKestrel, "CPUMulti", 105);
    SetIntValue(HKEY_CURRENT_USER, kKestrel, "Other", 1);
    ktray::DeleteCpuMulti();
    EXPECT_FALSE(GetRawValue(HKEY_CURRENT_USER, kKestrel, "CPUMulti").present);
    EXPECT_EQ(1, GetIntValue(HKEY_CURRENT_USER, kKestrel, "Other"));
}

TEST_F(TuningSettings, ToggleFollowsItsFlag) {
    int32_t flag = 0;
    ktray::ToggleAutoOverclock(flag);
    EXPECT_EQ(1, flag);
    EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, kAutoOver));
    ktray::ToggleAutoOverclock(flag);
    EXPECT_EQ(0, flag);
    EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, kAutoOver));

    // The key deleted behind the flag's back: switching off deletes nothing and keeps the rest.
    flag = 1;
    SetIntValue(HKEY_CURRENT_USER, kTuning, "iCpuTempLimit", 55);
    ktray::ToggleAutoOverclock(flag);
    EXPECT_EQ(0, flag);
    EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, kAutoOver));
    EXPECT_EQ(55, GetIntValue(HKEY_CURRENT_USER, kTuning, "iCpuTempLimit"));
    // And created behind its back: switching on keeps it.
    CreateEmptyKey(HKEY_CURRENT_USER, kAutoOver);
    flag = 7;
    ktray::ToggleAutoOverclock(flag);
    EXPECT_EQ(0, flag) << "anything but 0 becomes 0";
    EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, kAutoOver));
}

// A program directory in a temporary folder holding the tuning tool's stand-in.
class AutoOverclockLaunch : public TuningSettings {
protected:
    void SetUp() override {
        TuningSettings::SetUp();
        ClearLaunchRecords();
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        programDirectory_ = std::string(temp) + "ktray launch test\\";
        toolDirectory_ = programDirectory_ + "KR4\\";
        toolPath_ = toolDirectory_ + "KR4.EXE";
        CreateDirectoryA(programDirectory_.c_str(), nullptr);
        CreateDirectoryA(toolDirectory_.c_str(), nullptr);
        ASSERT_TRUE(CopyFileA(ToolStandInPath("KR4\\KR4.EXE").c_str(), toolPath_.c_str(), FALSE));
    }
    void TearDown() override {
        if (launched_) EndTuningTool();
        DeleteFileA(toolPath_.c_str());
        RemoveDirectoryA(toolDirectory_.c_str());
        RemoveDirectoryA(programDirectory_.c_str());
        ClearLaunchRecords();
        TuningSettings::TearDown();
    }
    // The stand-in records its start before it opens its window: wait for the window, close
    // it, and wait for the process, so that nothing outlives the test.
    static void EndTuningTool() {
        char title[128];
        tools::InstalledBuildTitle(title, sizeof title);
        HWND window = nullptr;
        for (int i = 0; i < 200 && !window; ++i, Sleep(50)) window = FindTuningToolWindow(title);
        ASSERT_NE(nullptr, window) << "the tuning tool's window never opened";
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, processId);
        CloseTuningToolWindow(title);
        if (process) {
            if (WaitForSingleObject(process, 10000) != WAIT_OBJECT_0) TerminateProcess(process, 1);
            CloseHandle(process);
        }
    }
    std::string programDirectory_, toolDirectory_, toolPath_;
    bool launched_ = false;
};

TEST_F(AutoOverclockLaunch, StartsTheToolHiddenInItsFolder) {
    CreateEmptyKey(HKEY_CURRENT_USER, kAutoOver);
    launched_ = true;
    EXPECT_EQ(1, ktray::LaunchAutoOverclock(toolPath_.c_str(), toolDirectory_.c_str()));
    ASSERT_TRUE(WaitForLaunchRecords(1, 20000));
    const LaunchRecord record = LaunchRecords().at(0);
    EXPECT_EQ(0, lstrcmpiA(toolPath_.c_str(), record.module.c_str())) << record.module;
    const std::string folder = toolDirectory_.substr(0, toolDirectory_.size() - 1);
    EXPECT_EQ(0, lstrcmpiA(folder.c_str(), record.directory.c_str())) << record.directory;
    EXPECT_EQ("", record.arguments);
    EXPECT_EQ(SW_HIDE, record.show);
}

TEST_F(AutoOverclockLaunch, NothingStartsWithoutTheSettingOrAUsablePath) {
    EXPECT_EQ(0, ktray::LaunchAutoOverclock(toolPath_.c_str(), toolDirectory_.c_str()));
    CreateEmptyKey(HKEY_CURRENT_USER, kAutoOver);
    const std::string tooLong = toolDirectory_ + std::string(MAX_PATH, 'x') + "\\KR4.EXE";
    EXPECT_EQ(1, ktray::LaunchAutoOverclock(tooLong.c_str(), toolDirectory_.c_str()));
    EXPECT_EQ(1, ktray::LaunchAutoOverclock(nullptr, toolDirectory_.c_str()));
    EXPECT_EQ(1, ktray::LaunchAutoOverclock("", toolDirectory_.c_str()));
    EXPECT_FALSE(WaitForLaunchRecords(1, 3000));
}

}  // namespace
