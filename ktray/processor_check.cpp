// The tuning tool's start-up jobs: its saved settings belong to the processor they were made on,
// so a changed processor resets them; auto overclock on next reboot starts the tool hidden; and
// its "CPUMulti" value never outlives a start.
#include "processor_check.h"

#include <shellapi.h>

#include <cstring>

#include "registry.h"
#include "registry_value.h"
#include "settings_keys.h"
#include "startup_probe.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace ktray {

namespace {

constexpr char kCpuIdValue[] = "CPUid";
constexpr char kCpuFamilyValue[] = "CPUFamily";
constexpr char kFirstRunValue[] = "FirstRun";
constexpr uint32_t kIdFlag = 0x200000;  // EFLAGS.ID: writable only where CPUID exists

bool HasCpuidInstruction() {
#if defined(__i386__)
    uint32_t original, changed;
    asm volatile(
        "pushfl\n\t"
        "popl %0\n\t"
        "movl %0, %1\n\t"
        "xorl %2, %1\n\t"
        "pushl %1\n\t"
        "popfl\n\t"
        "pushfl\n\t"
        "popl %1\n\t"
        "pushl %0\n\t"  // put the flags back as they were
        "popfl"
        : "=&r"(original), "=&r"(changed)
        : "i"(kIdFlag)
        : "cc");
    return ((original ^ changed) & kIdFlag) != 0;
#elif defined(__x86_64__)
    return true;
#else
    return false;
#endif
}

}  // namespace

int IdentifyCpu(CpuIdentity& cpu) {
    cpu = CpuIdentity();
    if (!HasCpuidInstruction()) {
        MessageBoxA(nullptr, "GetVendorID fail", "Message", MB_OK);
        return 0;
    }
#if defined(__i386__) || defined(__x86_64__)
    unsigned eax, ebx, ecx, edx;
    __cpuid(1, eax, ebx, ecx, edx);
    // The extended family and model fields are left out on purpose: the stored identity
    // has always been these twelve bits.
    cpu.family = (eax >> 8) & 0xF;
    cpu.model = (eax >> 4) & 0xF;
    cpu.stepping = eax & 0xF;
    cpu.identity = cpu.family * 256 + cpu.model * 16 + cpu.stepping;
#endif
    return 1;
}

int32_t VendorKind(const char* vendor) {
    if (!vendor) return 0;
    if (std::strcmp(vendor, "GenuineIntel") == 0) return 1;
    if (std::strcmp(vendor, "AuthenticAMD") == 0) return 2;
    return 0;
}

int32_t ReadVendorKind() {
    RegistryKey key = OpenKey(HKEY_LOCAL_MACHINE, kProcessorKey);
    if (!key) return 0;
    // The system stores the name with its zero: a value without one within the buffer, cut
    // short or not, names no vendor.
    char vendor[kVendorBytes] = {};
    DWORD size = sizeof vendor;
    const LONG status = RegQueryValueExA(key.Get(), kVendorValue, nullptr, nullptr,
                                         reinterpret_cast<BYTE*>(vendor), &size);
    if (!TakeString(status, size, vendor, sizeof vendor, StringEnd::Stored)) return 0;
    return VendorKind(vendor);
}

void CheckProcessorChange(HWND owner, const CpuIdentity& cpu, int32_t vendorKind) {
    const int32_t identity = static_cast<int32_t>(cpu.identity);
    RegistryKey key = OpenKey(HKEY_CURRENT_USER, kTuningKey);
    if (!key) {
        key = CreateKey(HKEY_CURRENT_USER, kTuningKey);
    } else {
        // Without a whole stored identity nothing is compared: a first start, or a reset by
        // the tuning tool. A stored vendor that cannot be read leaves the identity to decide.
        int32_t storedFamily = 0, storedId = 0;
        const bool haveFamily = ReadInt(key.Get(), kCpuFamilyValue, storedFamily);
        const bool haveId = ReadInt(key.Get(), kCpuIdValue, storedId);
        if (haveId && (storedId != identity || (haveFamily && storedFamily != vendorKind))) {
            key.Close();
            KTRAY_STARTUP_POINT("reset-begins");
            // The tuning key goes last: it holds the record that calls for the reset, so a start
            // ended half-way resets again next time rather than leave the second key behind.
            DeleteKeyTree(HKEY_CURRENT_USER, kKestrelKey);
            KTRAY_STARTUP_POINT("reset-first-deleted");
            DeleteKeyTree(HKEY_CURRENT_USER, kTuningKey);
            KTRAY_STARTUP_POINT("reset-deleted");
            MessageBoxA(owner, "Your CPU has been changed,the setting will return to default!",
                        "Warning!!!", MB_OK);
            key = CreateKey(HKEY_CURRENT_USER, kTuningKey);
            if (key) RegFlushKey(key.Get());
            KTRAY_STARTUP_POINT("reset-key-created");
        }
    }
    // The identity last: it is what the next start compares by, so a start ended between the
    // two writes never pairs it with a vendor of another processor.
    WriteInt(key.Get(), kCpuFamilyValue, vendorKind);
    KTRAY_STARTUP_POINT("record-first-written");
    WriteInt(key.Get(), kCpuIdValue, identity);
    KTRAY_STARTUP_POINT("record-second-written");
    const unsigned char firstRun[2] = {1, 0};
    WriteBinary(key.Get(), kFirstRunValue, firstRun, sizeof firstRun);
}

int32_t LaunchAutoOverclock(const char* toolPath, const char* toolDirectory) {
    if (!KeyExists(HKEY_CURRENT_USER, kAutoOverKey)) return 0;
    // A path the caller could not form, or one no shell of these systems takes, starts nothing.
    auto usable = [](const char* path) {
        if (!path) return false;
        const size_t length = std::strlen(path);
        return length > 0 && length < MAX_PATH;
    };
    if (usable(toolPath) && usable(toolDirectory))
        ShellExecuteA(nullptr, nullptr, toolPath, nullptr, toolDirectory, SW_HIDE);
    return 1;
}

void DeleteCpuMulti() {
    if (RegistryKey key = OpenKey(HKEY_CURRENT_USER, kKestrelKey))
        RegDeleteValueA(key.Get(), kCpuMultiValue);
}

void ToggleAutoOverclock(int32_t& flag) {
    flag = flag == 0 ? 1 : 0;
    RegistryKey key = OpenKey(HKEY_CURRENT_USER, kAutoOverKey);
    const bool existed = static_cast<bool>(key);
    if (flag == 1) {
        if (!existed) key = CreateKey(HKEY_CURRENT_USER, kAutoOverKey);
        if (key) RegFlushKey(key.Get());
    } else {
        key.Close();
        if (existed) DeleteKeyTree(HKEY_CURRENT_USER, kAutoOverKey);
    }
}

}  // namespace ktray
