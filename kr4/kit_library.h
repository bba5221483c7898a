// The tool lives in KR4\ below the kit's folder, where the tuning library kclk.dll is; it binds
// the library on first use (a delayed import), after loading it here from the kit's folder, so
// that the library finds its driver files beside itself as it does for ktray.
#pragma once

#include <cstddef>

namespace kr4 {

// Loads kclk.dll from the folder above the program's, else by the system's search (a build
// folder holds both side by side). False when neither finds it: no call into the library may be
// made then. where: the file loaded, or the path tried first.
bool LoadKitLibrary(char* where, size_t capacity);

}  // namespace kr4
