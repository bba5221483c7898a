// The shipped kclk.dll's interface: exactly the 84 names, undecorated, and every export cdecl
// (it leaves its arguments for the caller to remove).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <windows.h>

#include "export_directory.h"
#include "in_process_board.h"
#include "message_box_catcher.h"
#include "pe_imports.h"

extern "C" uint32_t __cdecl kit_CallMeasuringStack(void* fn, int argc, const uint32_t* args,
                                                   int32_t* espDelta);

namespace {

struct ExportShape {
    const char* name;
    int argc;
};

// Written out here rather than taken from the header, so that both can be checked.
const ExportShape kExports[] = {
    {"ScanOSInfo", 0}, {"Check_KRVer", 0}, {"InitDrv", 0}, {"OpenDriver", 0},
    {"SupOverClock", 0}, {"GetOverClockAttribute", 0},
    {"SupFSBShow", 0}, {"FSBCanAdj", 0}, {"FSBLinear", 0}, {"FSBSupDivMode", 0},
    {"FSBSupAsyMode", 0}, {"SupDRAMClkShow", 0}, {"DRAMClkCanAdj", 0}, {"DRAMSupLinear", 0},
    {"DRAMSupDivMode", 0}, {"DRAMSupAsyMode", 0}, {"DRAMSupRelDivMode", 0},
    {"SupAGPClkShow", 0}, {"AGPClkCanAdj", 0}, {"AGPSupLinear", 0}, {"AGPSupDivMode", 0},
    {"AGPSupAsyMode", 0}, {"SupPCIClkShow", 0}, {"PCIClkCanAdj", 0}, {"PCISupLinear", 0},
    {"PCISupDivMode", 0}, {"PCISupAsyMode", 0},
    {"ReturnCurrentVCOValue", 7}, {"ReturnPresetVCOValue", 6}, {"ReturnCurrentCPUFSB", 1},
    {"ReturnCurrentDRAMFreq", 1}, {"ReturnPresetDRAMFreq", 1}, {"ReturnCurrentAGPFreq", 1},
    {"ReturnPresetAGPFreq", 1}, {"ReturnCurrentPCIFreq", 1}, {"ReturnPresetPCIFreq", 1},
    {"ReturnDiscFSBTable", 2}, {"ReturnFSBDivTable", 2}, {"ReturnDRAMDivTable", 2},
    {"ReturnAGPDivTable", 2}, {"ReturnPCIDivTable", 2}, {"ReturnFSBAsyTable", 2},
    {"ReturnDRAMAsyTable", 2}, {"ReturnAGPAsyTable", 2}, {"ReturnPCIAsyTable", 2},
    {"ReturnLinearModeLimit", 3}, {"ReturnDRAMLimit", 3}, {"ReturnAGPLimit", 3},
    {"ReturnPCILimit", 3}, {"ReturnVCOLimit", 2},
    {"SetClockProb", 5}, {"SetClock", 6},
    {"GetOverVidSup", 0}, {"GetOverVidAttrib", 1}, {"GetVidCurrentVol", 1},
    {"GetVidDiscTable", 2}, {"SetNewVidVol", 2},
    {"GetOverDIMMVolSup", 0}, {"GetDIMMOverVolAttrib", 1}, {"GetDIMMCurrentVol", 1},
    {"GetDIMMDiscTable", 2}, {"SetNewDIMMOverVol", 2},
    {"GetOverAGPVolAGPSup", 0}, {"GetAGPOverVolAGPAttrib", 1}, {"GetAGPCurrentVol", 1},
    {"GetAGPDiscTable", 2}, {"SetNewAGPOverVol", 2},
    {"GetCPURatioChgSup", 0}, {"GetCPURatioAttrib", 1}, {"GetCurrentCPURatio", 1},
    {"GetCPURatioDiscTable", 2}, {"GetCPURatioLimit", 3}, {"SetNewCPURatio", 2},
    {"Check_SmartFan", 0}, {"SF_NB_ON", 0}, {"SF_NB_OFF", 0},
    {"GetCIASup", 0}, {"GetCIAAttribute", 1}, {"GetCIAStatus", 1}, {"GetCIATable", 2},
    {"SetCIAControl", 2}, {"GetMIBSup", 0}, {"GetMIBAttribute", 1}, {"SetMIBControl", 2},
};
static_assert(sizeof(kExports) / sizeof(kExports[0]) == 84);

std::vector<std::string> ExportedNames(HMODULE module) {
    auto base = reinterpret_cast<const uint8_t*>(module);
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    auto exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    auto names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    std::vector<std::string> result;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        result.emplace_back(reinterpret_cast<const char*>(base + names[i]));
    EXPECT_EQ(exports->NumberOfNames, exports->NumberOfFunctions) << "no export by ordinal only";
    return result;
}

class ShippedLibrary : public testing::Test {
protected:
    void SetUp() override {
        library_ = LoadLibraryA("kclk.dll");
        ASSERT_NE(nullptr, library_) << "error " << GetLastError();
    }
    void TearDown() override {
        if (library_) FreeLibrary(library_);
    }
    HMODULE library_ = nullptr;
};

TEST_F(ShippedLibrary, ExportsExactlyTheEightyFourNames) {
    std::vector<std::string> actual = ExportedNames(library_);
    std::vector<std::string> expected;
    for (const auto& e : kExports) expected.emplace_back(e.name);
    std::sort(actual.begin(), actual.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, actual);
}

TEST_F(ShippedLibrary, EveryExportLeavesItsArgumentsToTheCaller) {
    board::InProcessBoard& board = board::InProcessBoard::Instance();
    ASSERT_TRUE(board.Install());
    board.PowerOn();
    board.PlaceKrl4Table(0xF6000, board::kDefaultTuningPort, board::kDefaultTuningCommand);
    board.PlaceRxeTable(0xF7000, board::kDefaultFanPort);
    testsupport::MessageBoxCatcher catcher;  // OpenDriver has no driver to open on Windows 9x

    // Every pointer argument points into scratch space; value arguments are small numbers.
    static uint32_t scratch[16][4];
    uint32_t args[7];
    for (int i = 0; i < 7; ++i) args[i] = reinterpret_cast<uint32_t>(&scratch[i]);

    for (const auto& e : kExports) {
        void* fn = reinterpret_cast<void*>(GetProcAddress(library_, e.name));
        ASSERT_NE(nullptr, fn) << e.name;
        int32_t delta = -1;
        kit_CallMeasuringStack(fn, e.argc, args, &delta);
        EXPECT_EQ(0, delta) << e.name << " removed its own arguments";
    }
}

// What the shipped binaries may import: functions that Windows 95 and NT 3.51 already had, so
// that the loader finds every one of them on each Windows the kit supports.
const std::map<std::string, std::set<std::string>> kOldestWindowsHas = {
    {"KERNEL32.DLL",
     {"CloseHandle", "CopyFileA", "CreateDirectoryA", "CreateFileA", "CreateSemaphoreW",
      "DeleteCriticalSection", "DeleteFileA", "DeviceIoControl", "EnterCriticalSection",
      "FlushConsoleInputBuffer", "FreeLibrary", "GetConsoleMode", "GetCurrentProcess",
      "GetCurrentThreadId", "GetEnvironmentVariableA", "GetFileAttributesA", "GetFileSize", "GetLocalTime", "lstrcmpiA",
      "GetLastError", "GetModuleFileNameA", "GetModuleHandleA", "GetModuleHandleW",
      "GetProcAddress", "GetStartupInfoA", "GetStdHandle", "GetSystemDirectoryA", "GetSystemTime",
      "GetTickCount", "GetVersion", "GetVersionExA", "GetWindowsDirectoryA",
      "InitializeCriticalSection", "IsBadReadPtr", "IsDBCSLeadByteEx", "LeaveCriticalSection",
      "LoadLibraryA", "LoadLibraryW", "MoveFileA", "MultiByteToWideChar", "ReadConsoleInputA",
      "ReadFile", "ReleaseSemaphore", "SetFilePointer", "SetLastError",
      "SetUnhandledExceptionFilter", "Sleep", "TlsAlloc", "TlsFree", "TlsGetValue", "TlsSetValue",
      "VirtualProtect", "VirtualQuery", "WaitForSingleObject", "WideCharToMultiByte",
      "WriteFile"}},
    {"ADVAPI32.DLL",
     {"CloseServiceHandle", "ControlService", "CreateServiceA", "OpenSCManagerA", "OpenServiceA",
      "RegCloseKey", "RegCreateKeyA", "RegCreateKeyExA", "RegDeleteKeyA", "RegDeleteValueA",
      "RegEnumKeyA", "RegFlushKey", "RegOpenKeyA", "RegOpenKeyExA", "RegQueryValueExA",
      "RegSetValueExA", "StartServiceA"}},
    {"USER32.DLL", {"FindWindowA", "GetAsyncKeyState", "MessageBoxA", "PostMessageA"}},
    {"COMCTL32.DLL", {"InitCommonControls"}},
    {"MSVCRT.DLL",
     {"__getmainargs", "__initenv", "__mb_cur_max", "__p__acmdln", "__p__commode", "__p__fmode",
      "__set_app_type", "__setusermatherr", "_amsg_exit", "_cexit", "_close", "_errno",
      "_initterm", "_iob", "_lock", "_onexit", "_read", "_unlock", "abort", "atoi", "calloc",
      "exit", "fflush", "fprintf", "fputc", "fputs", "free", "fwrite", "localeconv", "malloc",
      "memchr", "memcmp", "memcpy", "memmove", "memset", "realloc", "setlocale", "signal",
      "strchr", "strcmp", "strerror", "strlen", "strncmp", "strrchr", "vfprintf", "wcslen"}},
};

// What ktray.exe and the tuning tool may import besides: the functions of the shell and of the
// user interface that Windows 95 and NT 4.0 introduced (tray icons, default menu items, image
// loading, the image lists, edges and menu item records of the owner-drawn popup), the drawing,
// dialog and resource calls they use, the common file dialogs and the older registry calls. Each
// was checked to exist on both before it was added.
const std::map<std::string, std::set<std::string>> kWindows95AndNt4Add = {
    {"COMDLG32.DLL", {"CommDlgExtendedError", "GetOpenFileNameA", "GetSaveFileNameA"}},
    {"KERNEL32.DLL",
     {"CreateMutexA", "ExitProcess", "FindResourceA", "LoadResource", "LockResource", "SetCurrentDirectoryA",
      "SizeofResource", "lstrcmpiA", "lstrcpynA"}},
    {"ADVAPI32.DLL",
     {"RegCreateKeyA", "RegEnumKeyA", "RegOpenKeyA"}},
    {"COMCTL32.DLL",
     {"ImageList_AddMasked", "ImageList_Create", "ImageList_Destroy", "ImageList_Draw",
      "ImageList_GetIcon", "ImageList_GetImageCount"}},
    {"GDI32.DLL",
     {"BitBlt", "CreateBitmap", "CreateCompatibleBitmap", "CreateCompatibleDC", "CreateDIBitmap",
      "CreateFontIndirectA", "CreatePen", "CreateSolidBrush", "DeleteDC", "DeleteObject", "Ellipse",
      "GetBkColor", "GetBkMode", "GetCurrentObject", "GetObjectA", "GetStockObject",
      "GetTextColor", "LineTo", "MoveToEx", "PatBlt", "SelectObject", "SetBkColor", "SetBkMode",
      "SetTextColor", "TextOutA"}},
    {"SHELL32.DLL",
     {"ShellExecuteA", "Shell_NotifyIconA"}},
    {"MSVCRT.DLL",
     {"localtime", "time"}},
    {"USER32.DLL",
     {"BeginPaint", "CallWindowProcA", "CharUpperA", "CheckDlgButton", "CheckMenuItem",
      "CopyAcceleratorTableA", "CreateDialogParamA", "CreateWindowExA", "DefWindowProcA", "DeleteMenu", "DestroyIcon", "DestroyMenu",
      "DestroyWindow", "DialogBoxParamA", "DispatchMessageA", "DrawEdge", "DrawStateA",
      "DrawTextA", "EnableMenuItem", "EnableWindow", "EndDialog", "EndPaint", "FillRect",
      "FindWindowA", "GetClassInfoA", "GetClassLongA", "GetCursorPos", "GetDC", "GetDlgCtrlID",
      "GetDlgItem",
      "GetKeyNameTextA", "GetKeyState", "GetMenuDefaultItem", "GetMenuItemCount",
      "GetMenuItemInfoA", "GetMessageA", "GetParent", "GetSubMenu", "GetSysColor",
      "GetSysColorBrush",
      "GetSystemMetrics", "GetWindowLongA", "GetWindowRect", "GetWindowTextA",
      "GetWindowTextLengthA", "InflateRect", "InsertMenuA", "InvalidateRect", "IsChild", "IsDialogMessageA",
      "IsDlgButtonChecked", "IsIconic", "IsMenu", "IsWindow", "IsWindowEnabled",
      "KillTimer", "LoadBitmapA", "LoadCursorA", "LoadIconA", "LoadImageA", "LoadMenuA",
      "LoadStringA", "MapVirtualKeyA", "MapWindowPoints", "MessageBeep",
      "MsgWaitForMultipleObjects", "OffsetRect", "PeekMessageA", "PostMessageA", "PostQuitMessage",
      "RegisterClassA", "RegisterWindowMessageA", "ReleaseDC", "RemoveMenu", "SendMessageA",
      "SendDlgItemMessageA", "SetDlgItemTextA", "SetFocus", "SetForegroundWindow", "SetMenuDefaultItem", "SetMenuItemInfoA",
      "SetTimer", "SetWindowLongA", "SetWindowPos", "SetWindowTextA", "ShowWindow", "SystemParametersInfoA", "TrackPopupMenu",
      "TranslateAcceleratorA", "TranslateMessage", "UpdateWindow"}},
};

struct ShippedBinary {
    const char* file;
    std::set<std::string> kitLibraries;  // the kit's own libraries it binds
    bool windows95AndNt4;                // may use what those two added
};

TEST(ShippedBinaries, ImportOnlyWhatTheOldestSupportedWindowsHas) {
    const ShippedBinary binaries[] = {
        {"kclk.dll", {}, false},
        {"kclkinfo.exe", {"KCLK.DLL"}, false},
        {"kclktune.exe", {"KCLK.DLL"}, false},
        // The maker's monitor and sound libraries are bound at run time: ktray starts without them.
        {"ktray.exe", {"KCLK.DLL"}, true},
        // The tuning tool binds kclk.dll itself (from the kit's folder), so not at load.
        {"KR4.exe", {}, true},
    };
    for (const ShippedBinary& binary : binaries) {
        const auto imports = testsupport::ReadImports(binary.file);
        ASSERT_FALSE(imports.empty()) << binary.file;
        for (const auto& [dll, names] : imports) {
            if (binary.kitLibraries.count(dll)) continue;
            const auto allowed = kOldestWindowsHas.find(dll);
            const auto added = kWindows95AndNt4Add.find(dll);
            const bool known = allowed != kOldestWindowsHas.end() ||
                               (binary.windows95AndNt4 && added != kWindows95AndNt4Add.end());
            ASSERT_TRUE(known) << binary.file << " imports from " << dll;
            for (const auto& name : names) {
                const bool oldest = allowed != kOldestWindowsHas.end() && allowed->second.count(name);
                const bool later = binary.windows95AndNt4 && added != kWindows95AndNt4Add.end() &&
                                   added->second.count(name);
                EXPECT_TRUE(oldest || later) << binary.file << " imports " << dll << "!" << name;
            }
        }
    }
}

// What the shipped driver may import from the kernel. The i386 build loads on NT 4.0, so only
// what NT 4.0's ntoskrnl.exe already exports; everything newer (IoCreateDeviceSecure, the
// affinity and security routines) it finds in the running kernel's export table by name. The
// x86_64 build needs only what the first 64-bit kernel (5.2) has.
const std::set<std::string> kNt4KernelHas = {
    "ExAllocatePool", "ExFreePool", "IoCreateDevice", "IoCreateSymbolicLink", "IoDeleteDevice",
    "IoDeleteSymbolicLink", "IofCompleteRequest", "KeInitializeMutex", "KeReleaseMutex",
    "KeWaitForSingleObject", "MmMapIoSpace", "MmUnmapIoSpace", "RtlInitUnicodeString",
    "SeAccessCheck", "ZwClose", "ZwQuerySystemInformation"};
const std::set<std::string> kWindows52X64KernelHas = {
    "ExAllocatePool", "ExFreePool", "IoCreateDevice", "IoCreateSymbolicLink", "IoDeleteDevice",
    "IoDeleteSymbolicLink", "IofCompleteRequest", "KeInitializeMutex", "KeReleaseMutex",
    "KeWaitForSingleObject", "MmMapIoSpace", "MmUnmapIoSpace", "RtlInitUnicodeString",
    "SeAccessCheck", "ZwClose", "ZwQuerySystemInformation"};

TEST(ShippedBinaries, DriverImportsOnlyWhatItsOldestKernelHas) {
    const struct {
        const char* file;
        const std::set<std::string>& allowed;
    } kDrivers[] = {{"real\\KrDrv.W32", kNt4KernelHas}, {"real\\KrDrv.A64", kWindows52X64KernelHas}};
    for (const auto& driver : kDrivers) {
        SCOPED_TRACE(driver.file);
        const auto imports = testsupport::ReadImports(driver.file);
        ASSERT_EQ(1u, imports.size());
        const auto kernel = imports.find("NTOSKRNL.EXE");
        ASSERT_NE(imports.end(), kernel);
        for (const auto& name : kernel->second)
            EXPECT_TRUE(driver.allowed.count(name)) << driver.file << " imports " << name;
    }
}

// The driver's export reader against the loader, on a real kernel image: Wine's ntoskrnl.exe,
// loaded here as a library. Every name it exports resolves to GetProcAddress's answer, or to
// nothing where the loader forwards it out of the image.
TEST(ShippedBinaries, DriverExportReaderAgreesWithTheLoader) {
    const HMODULE kernel = LoadLibraryA("ntoskrnl.exe");
    ASSERT_NE(nullptr, kernel) << "error " << GetLastError();
    auto base = reinterpret_cast<const uint8_t*>(kernel);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const size_t size = nt->OptionalHeader.SizeOfImage;
    const std::vector<std::string> names = ExportedNames(kernel);
    ASSERT_GT(names.size(), 500u);
    size_t found = 0;
    for (const std::string& name : names) {
        const auto loaded = reinterpret_cast<const uint8_t*>(GetProcAddress(kernel, name.c_str()));
        const uint32_t rva = FindExportRva(base, size, name.c_str());
        const bool inImage = loaded >= base && loaded < base + size;
        EXPECT_EQ(inImage ? loaded : nullptr, rva ? base + rva : nullptr) << name;
        found += rva != 0;
    }
    std::printf("figure: export reader: %zu of %zu names of Wine's ntoskrnl.exe found as the "
                "loader finds them, the rest forwarded\n", found, names.size());
    EXPECT_EQ(0u, FindExportRva(base, size, "NoSuchKernelRoutine"));
    EXPECT_EQ(0u, FindExportRva(base, size, "IoCreateDevic"));  // a prefix of a name
    FreeLibrary(kernel);
}

}  // namespace
