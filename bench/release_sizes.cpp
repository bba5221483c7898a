// Sizes of the shipped files in a release build: the library, the four programs and the real
// port drivers (bin\real, never the board's stand-ins in bin).
#include "release_sizes.h"

#include <windows.h>

#include <cstdio>

namespace bench {

void ReadReleaseSizes(const char* releaseBin, BinarySize (&sizes)[kShippedBinaries]) {
    const BinarySize shipped[kShippedBinaries] = {
        {"kclk.dll", "kclk.dll", 64 * 1024},
        {"ktray.exe", "ktray.exe", 256 * 1024},
        {"kclkinfo.exe", "kclkinfo.exe", 128 * 1024},
        {"kclktune.exe", "kclktune.exe", 128 * 1024},
        {"KR4\\KR4.EXE", "KR4.exe", 256 * 1024},
        {"KrDrv.W32", "real\\KrDrv.W32", 32 * 1024},
        {"KrDrv.A64", "real\\KrDrv.A64", 32 * 1024},
    };
    for (int i = 0; i < kShippedBinaries; ++i) {
        sizes[i] = shipped[i];
        if (!releaseBin) continue;
        char path[MAX_PATH];
        if (std::snprintf(path, sizeof path, "%s\\%s", releaseBin, shipped[i].path) >=
            static_cast<int>(sizeof path))
            continue;
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExA(path, GetFileExInfoStandard, &data) &&
            !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            sizes[i].bytes = static_cast<int64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    }
}

}  // namespace bench
