// Installation and start of the port driver service on the NT family, and opening its device.
#pragma once

#include <cstdint>

#include "fixed_text.h"
#include "os_kind.h"

namespace kclk {

constexpr const char* kDriverServiceName = "KRDrv";
constexpr const char* kDriverServiceKey = "SYSTEM\\CurrentControlSet\\Services\\KRDrv";
constexpr int kDriverStartAttempts = 20;

// Whether InitDrv installs the driver on this kind of Windows: wherever requests go to the
// driver, except under WOW64 on a Windows newer than 5.2 (kind 0), whose 64-bit kernel loads
// neither of the shipped drivers. isWow64 is asked only for kind 0.
bool InstallsDriver(int32_t osKind, Wow64Query isWow64);

int32_t InstallDriverService(const char* serviceName);
int32_t StartDriverService(const char* serviceName);

// The driver file shipped beside the library: "KrDrv.A64" for 64-bit Windows (kind 7),
// "KrDrv.W32" otherwise.
const char* DriverFileName(int32_t osKind);

// The directory the driver is installed under: the system directory. For kind 7 that is the
// native one, which InitDrv reaches with WOW64 redirection off; where redirection cannot be
// turned off, the Windows directory followed by "\SYSWOW64". False when Windows cannot say (or
// the path would not fit the library's 260-character buffers); directory is then left alone.
bool DriverSystemDirectory(int32_t osKind, PathText& directory);

// systemDirectory + "\Drivers\KRDrv.sys"; false when that does not fit a path buffer.
bool InstalledDriverPath(const PathText& systemDirectory, PathText& path);

// How many start attempts the last InitDrv of this module made (0 when it had nothing to
// install).
int DriverStartAttemptsMade();

}  // namespace kclk
