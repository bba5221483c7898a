// The library's own message boxes. It has no window, so every box is shown without an owner.
#pragma once

#include <windows.h>

#include "fixed_text.h"

namespace kclk {

// OK only, no icon, the given caption ("Error", "OpenDriver", "GetCgtable").
void ShowPlainMessage(const char* text, const char* caption);

// As the application framework shows it: OK, exclamation icon, and the library's title (its
// file name without extension) as caption.
void ShowLibraryMessage(const char* text);

// The module this code lives in (kclk.dll when shipped), its directory with the trailing
// backslash (empty when the module's name cannot be had), and its title.
HMODULE OwnModule();
ModulePathText OwnModuleDirectory();
ModulePathText OwnModuleTitle();

}  // namespace kclk
