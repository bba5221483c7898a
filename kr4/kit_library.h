// The tool lives in KR4\ below the kit's folder, where the tuning library kclk.dll is; it binds
// the library's exports on their first call (kclk/late/), after loading it here from the kit's
// folder, so that the library finds its driver files beside itself as it does for ktray. The
// monitor and sound libraries ktray reads are found in the kit's folder the same way.
#pragma once

#include <cstddef>
#include <string>

namespace kr4 {

// Loads kclk.dll from the folder above the program's, else by the system's search (a build
// folder holds both side by side). False when neither finds it: no call into the library may be
// made then. where: the file loaded, or the path tried first.
bool LoadKitLibrary(char* where, size_t capacity);

// <kit>\name for the program <kit>\KR4\KR4.EXE; "" when the program's path cannot be read.
std::string KitFolderFile(const char* name);

// The monitor and sound libraries: the kit folder's files where they are there, else their
// plain names for the system's search.
struct OutsideLibraryFiles {
    std::string monitor;
    std::string sound;
};
OutsideLibraryFiles KitOutsideLibraries();

}  // namespace kr4
