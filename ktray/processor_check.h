// Start-up jobs for the tuning tool: a changed processor resets its saved settings, auto
// overclock on next reboot starts it hidden, and its "CPUMulti" value is deleted.
#pragma once

#include <windows.h>

#include <cstdint>

namespace ktray {

struct CpuIdentity {
    uint32_t family = 0;    // CPUID leaf 1, EAX bits 8..11
    uint32_t model = 0;     // bits 4..7
    uint32_t stepping = 0;  // bits 0..3
    uint32_t identity = 0;  // family * 256 + model * 16 + stepping
};

// 1 and the identity filled; 0 (after the "GetVendorID fail" box) without a CPUID instruction.
int IdentifyCpu(CpuIdentity& cpu);

// 1 "GenuineIntel", 2 "AuthenticAMD", 0 anything else (exact comparison).
int32_t VendorKind(const char* vendor);
// From the processor key in HKLM; 0 when it cannot be read.
int32_t ReadVendorKind();

// Compares with the identity stored at the last start; on a change deletes the tuning tool's
// settings and tells the user (box owned by owner). Then records the current identity.
void CheckProcessorChange(HWND owner, const CpuIdentity& cpu, int32_t vendorKind);

// Starts the tuning tool hidden, in its own folder, when auto overclock is set; returns the
// auto-overclock flag (1 when the setting's key exists).
int32_t LaunchAutoOverclock(const char* toolPath, const char* toolDirectory);

void DeleteCpuMulti();

// The popup's toggle: flips flag and creates or deletes the setting's key to match.
void ToggleAutoOverclock(int32_t& flag);

}  // namespace ktray
