// What the tuning tool's stand-in shows: one top-level window under the tool's build title,
// which stays until it is closed or its time is up.
#pragma once

#include <cstddef>

namespace tools {

// The build date as ktray reads it (ktray/build_title.h): "a/b/c" gives "Kestrel4 Build a.bb.cc";
// false when the text holds no such date.
bool FormatBuildTitle(const char* version, char* title, size_t capacity);

// The title the installed tool carries: from HKLM's "KR4Version", or the fallback build text.
void InstalledBuildTitle(char* title, size_t capacity);

// Opens the window with the given show command and serves it until WM_CLOSE or lifetimeMs.
int RunTuningToolWindow(const char* title, int showCommand, unsigned lifetimeMs);

}  // namespace tools
