// What one firmware request costs through the library on each road, against the same request
// with the library taken away: a raw DeviceIoControl loop with the library's own block on the
// driver path, the in-process board's trapped `out` alone on the direct path.
#pragma once

namespace bench {

// Microseconds per request: medians over rounds in which both loops run back to back.
struct PairedCost {
    bool measured = false;
    double libraryUs = 0;
    double referenceUs = 0;
    double ratio = 0;  // median of the rounds' library / reference
};

struct RequestCosts {
    PairedCost driver;         // ReturnCurrentCPUFSB against DeviceIoControl of its block
    PairedCost directOut;      // the same export on the direct path against one trapped `out`
    PairedCost directTrigger;  // ... against the library's trigger routine alone
    int directTrapsPerRequest = 0;  // trapped writes one direct request makes
    char problem[160] = "";         // why a road was not measured
};

// Runs as Windows XP with the board's driver installable beside the program: the driver path
// first (Check_KRVer installs and opens the driver), then the direct path through the
// in-process board.
void MeasureRequestCosts(RequestCosts& costs);

}  // namespace bench
