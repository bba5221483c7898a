// What one firmware request costs on each road, measured side by side in one process: the
// firmware model alone, the direct path (the `out` trapped by the in-process board) and the
// driver path (DeviceIoControl into the stand-in). Run under Wine as Windows XP, so that the
// library installs the stand-in; the direct path is forced by the OS kind in the library state.
#include <windows.h>

#include <cstdio>

#include "firmware_gateway.h"
#include "firmware_model.h"
#include "in_process_board.h"
#include "kclk.h"
#include "library_state.h"

namespace {

constexpr int kRequests = 2000;

template <typename Fn>
double MicrosecondsPerRequest(Fn request) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < kRequests; ++i) request();
    QueryPerformanceCounter(&end);
    return 1e6 * static_cast<double>(end.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart) / kRequests;
}

}  // namespace

int main() {
    if (Check_KRVer() != 4) {
        std::fprintf(stderr, "request_cost: no tuning interface (run as winxp with KrDrv.W32)\n");
        return 2;
    }
    uint16_t fsb = 0;
    const double driver = MicrosecondsPerRequest([&] { ReturnCurrentCPUFSB(&fsb); });

    board::InProcessBoard& board = board::InProcessBoard::Instance();
    if (!board.Install()) return 1;
    board.PowerOn();
    kclk::LibraryState& state = kclk::State();
    const int32_t kind = state.OsKind;
    state.OsKind = kclk::kOsWin9x;
    state.SmiPort = board::kDefaultTuningPort;
    state.SmiCommand = board::kDefaultTuningCommand;
    const double direct = MicrosecondsPerRequest([&] {
        ReturnCurrentCPUFSB(&fsb);
        board.ClearWrites();
    });
    state.OsKind = kind;

    board::FirmwareModel model;
    volatile uint32_t sink = 0;
    const double firmware = MicrosecondsPerRequest([&] {
        board::CpuRegisters regs{0xB2EF, 0xB2B0, 0, 0xB2, 0, 0, 0};
        model.HandleTuning(regs);
        sink = sink + regs.ebx;
    });

    std::printf("%-28s %10s %8s\n", "road", "us/request", "ratio");
    std::printf("%-28s %10.3f %8.1f\n", "firmware model alone", firmware, 1.0);
    std::printf("%-28s %10.3f %8.1f\n", "direct path (trapped out)", direct, direct / firmware);
    std::printf("%-28s %10.3f %8.1f\n", "driver path (DeviceIoControl)", driver, driver / firmware);
    std::printf("driver / direct: %.1f\n", driver / direct);
    return 0;
}
