// ktray's own, coarse classification of Windows: the popup greys items by it and the media
// player command picks its program by it.
#pragma once

#include <windows.h>

namespace ktray {

enum OsKind : int {
    kOsWindows9x = 0,     // Windows 95, 98, Me
    kOsNt4OrOlder = 1,    // NT 4.0 and before
    kOsNt5Minor0 = 2,     // Windows 2000 (5.0)
    kOsNt5Later = 3,      // XP, Server 2003 and anything newer of the NT family
};

// The decision alone, from what GetVersionExA reported.
int ClassifyOsKind(const OSVERSIONINFOA& version);
// Asks GetVersionExA; a failing call counts as Windows 9x.
int GetOsKind();

}  // namespace ktray
