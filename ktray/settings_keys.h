// The registry keys and values ktray reads and writes, shared with the tuning tool.
#pragma once

namespace ktray {

// HKLM: the tuning tool is installed; its build date.
constexpr char kTuningKey[] = "Software\\Corvane\\Kestrel4";  // also HKCU: its user settings
constexpr char kTuningVersionValue[] = "KR4Version";
constexpr unsigned kTuningVersionBytes = 100;

// HKCU: the other tools of the kit are installed.
constexpr char kLogoToolKey[] = "Software\\Corvane\\LogoSmith";
constexpr char kDmiToolKey[] = "Software\\Corvane\\PlateScan";
constexpr char kBiosToolKey[] = "Software\\Corvane\\BiosPilot";

// HKCU, below the tuning key.
constexpr char kAudioSettingKey[] = "Software\\Corvane\\Kestrel4\\AudioSetting";
constexpr char kSmartFanKey[] = "Software\\Corvane\\Kestrel4\\SmartFan";
constexpr char kAutoOverKey[] = "Software\\Corvane\\Kestrel4\\AutoOver";
// HKCU: the tuning tool's own second key.
constexpr char kKestrelKey[] = "Software\\Kestrel";
constexpr char kCpuMultiValue[] = "CPUMulti";

// HKLM: the processor's vendor.
constexpr char kProcessorKey[] = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";
constexpr char kVendorValue[] = "VendorIdentifier";
constexpr unsigned kVendorBytes = 20;

}  // namespace ktray
