// The release binaries' file sizes against their budgets.
#pragma once

#include <cstdint>

namespace bench {

struct BinarySize {
    const char* name;      // as shipped
    const char* path;      // below the release build's bin folder
    uint32_t budget;       // bytes
    int64_t bytes = -1;    // -1: not there
};

constexpr int kShippedBinaries = 7;

// releaseBin: the release build's bin folder, or nullptr when there is none.
void ReadReleaseSizes(const char* releaseBin, BinarySize (&sizes)[kShippedBinaries]);

}  // namespace bench
